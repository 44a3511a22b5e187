// The zoom steps as the user sees them: the nine radio buttons, and the area each step enlarges.
#pragma once

#include <windows.h>

#include <string>

#include "e2e_support.h"

namespace e2e {

struct ZoomRow {
    const wchar_t* caption;
    int code;  // twice the magnification, as the settings store keeps it
};
inline constexpr ZoomRow kZoom[] = {{L"x1", 2},  {L"x1.5", 3}, {L"x2", 4},   {L"x3", 6}, {L"x4", 8},
                                    {L"x6", 12}, {L"x9", 18},  {L"x12", 24}, {L"x15", 30}};

// The captions of the checked zoom buttons joined by "+": exactly one when all is well.
inline std::wstring checkedZoom(const Ocellus& app) {
    std::wstring found;
    for (const ZoomRow& z : kZoom)
        if (isChecked(app.control(L"Button", z.caption)).value_or(false)) {
            if (!found.empty()) found += L"+";
            found += z.caption;
        }
    return found;
}

// The 1:1 area a capture enlarges, for a picture of the given size.
inline SIZE areaFor(SIZE picture, int zoomCode) { return {2 * (picture.cx / zoomCode), 2 * (picture.cy / zoomCode)}; }

}  // namespace e2e

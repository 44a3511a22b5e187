// Fonts as layout tables give them, and as controls hold them: the GDI font is made on demand.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "win32/graphics.h"
#include "win32/handles.h"

namespace win32 {

using FontStyle = std::uint8_t;
inline constexpr FontStyle fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;

struct FontDef {
    std::wstring_view face;  // empty: the parent's font
    int height = 0;          // negative: character height in pixels
    FontStyle style = 0;
    Color color = clWindowText;
};

class Font {
public:
    std::wstring face = L"Tahoma";
    int height = -11;
    FontStyle style = 0;
    Color color = clWindowText;

    void assign(const FontDef& def);
    FontDef def() const noexcept { return {face, height, style, color}; }
    HFONT handle();  // made on demand for the current face, height and style
    void changed() { handle_.reset(); }
    // The size of one line of text in this font on the screen, prefixes (&) drawn as they are.
    SIZE textSize(const wchar_t* text);

private:
    FontHandle handle_;
};

}  // namespace win32

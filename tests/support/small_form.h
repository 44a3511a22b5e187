// The plain form the framework's tests build on; a test sets what it needs on top.
#pragma once

#include <string_view>

#include "forms/form.h"

namespace testing_support {

// A 200 x 100 client area in Tahoma, captioned with its name.
constexpr forms::FormDef smallForm(std::wstring_view className, std::wstring_view name) {
    return {.className = className,
            .name = name,
            .caption = name,
            .clientWidth = 200,
            .clientHeight = 100,
            .font = {L"Tahoma", -10, 0, win32::clWindowText}};
}

}  // namespace testing_support

// End-to-end: the zoom group worked from the keyboard alone, as a Windows option group.
#include <gtest/gtest.h>

#include "e2e_support.h"
#include "e2e_zoom.h"

namespace e2e {
namespace {

// The window with the keyboard focus in the program's GUI thread.
HWND focusIn(HWND window) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &gui) ? gui.hwndFocus : nullptr;
}

class E2eZoomKeys : public ProgramTest {};

TEST_F(E2eZoomKeys, ArrowsCheckTheButtonTheyMoveToWrappingAndTabLeavesTheGroup) {
    HWND w = start();
    ASSERT_TRUE(w);
    const SIZE picture = clientSize(app.picture());
    // One key; then the focus is on one control and the check on one zoom button.
    auto press = [&](WORD key, std::initializer_list<WORD> modifiers, const wchar_t* focused, const wchar_t* checked) {
        SCOPED_TRACE(narrow(focused));
        HWND target = app.control(L"Button", focused);
        bringToFront(w);
        sendKey(key, modifiers);
        pumpUntil([&] { return focusIn(w) == target && checkedZoom(app) == checked; }, kUiTimeoutMs);
        EXPECT_EQ(focusIn(w), target);
        EXPECT_EQ(checkedZoom(app), checked);
    };
    clickAt(centreOf(app.control(L"Button", L"x3")));
    ASSERT_TRUE(pumpUntil([&] { return focusIn(w) == app.control(L"Button", L"x3"); }, kUiTimeoutMs));
    // Both directions on both axes, and past either end of the group.
    const std::pair<WORD, int> steps[] = {{VK_RIGHT, 4}, {VK_UP, 3}, {VK_LEFT, 2}, {VK_LEFT, 1},
                                          {VK_LEFT, 0},  {VK_UP, 8}, {VK_DOWN, 0}, {VK_DOWN, 1}};
    for (const auto& [key, row] : steps) {
        press(key, {}, kZoom[row].caption, kZoom[row].caption);
        const auto area = unmagnifiedArea();
        ASSERT_TRUE(area);
        EXPECT_EQ(area->cx, areaFor(picture, kZoom[row].code).cx);
        EXPECT_EQ(area->cy, areaFor(picture, kZoom[row].code).cy);
    }
    // The group is one tab stop, its checked button.
    press(VK_TAB, {}, L"Show cursor", L"x1.5");
    press(VK_TAB, {VK_SHIFT}, L"x1.5", L"x1.5");
}

}  // namespace
}  // namespace e2e

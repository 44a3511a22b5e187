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
    auto button = [&](const wchar_t* caption) { return app.control(L"Button", caption); };
    // One key; then the focus and the only check are on the expected control.
    auto press = [&](WORD key, std::initializer_list<WORD> modifiers, const wchar_t* focused, const wchar_t* checked) {
        SCOPED_TRACE(narrow(focused));
        bringToFront(w);
        sendKey(key, modifiers);
        pumpUntil([&] { return focusIn(w) == button(focused) && checkedZoom(app) == checked; }, kUiTimeoutMs);
        EXPECT_EQ(focusIn(w), button(focused));
        EXPECT_EQ(checkedZoom(app), checked);
    };
    auto zoomIs = [&](const ZoomRow& z) {
        const auto area = unmagnifiedArea();
        ASSERT_TRUE(area);
        EXPECT_EQ(area->cx, areaFor(picture, z.code).cx) << narrow(z.caption);
        EXPECT_EQ(area->cy, areaFor(picture, z.code).cy) << narrow(z.caption);
    };

    clickAt(centreOf(button(L"x3")));
    ASSERT_TRUE(pumpUntil([&] { return focusIn(w) == button(L"x3"); }, kUiTimeoutMs));
    press(VK_RIGHT, {}, L"x4", L"x4");
    zoomIs(kZoom[4]);
    press(VK_UP, {}, L"x3", L"x3");
    press(VK_LEFT, {}, L"x2", L"x2");
    zoomIs(kZoom[2]);
    press(VK_LEFT, {}, L"x1.5", L"x1.5");
    press(VK_LEFT, {}, L"x1", L"x1");
    press(VK_UP, {}, L"x15", L"x15");  // past the first, to the last
    zoomIs(kZoom[8]);
    press(VK_DOWN, {}, L"x1", L"x1");  // past the last, to the first
    zoomIs(kZoom[0]);
    press(VK_RIGHT, {}, L"x1.5", L"x1.5");
    press(VK_DOWN, {}, L"x2", L"x2");
    zoomIs(kZoom[2]);

    // Tab leaves the group for the next control; back in, the focus lands on the checked button.
    press(VK_TAB, {}, L"Show cursor", L"x2");
    press(VK_TAB, {VK_SHIFT}, L"x2", L"x2");
    press(VK_TAB, {VK_SHIFT}, L"&Interpolate", L"x2");
    press(VK_TAB, {}, L"x2", L"x2");
    zoomIs(kZoom[2]);
}

}  // namespace
}  // namespace e2e

// The settings store against the real registry: what each stored text does to the window at start,
// what the window writes at exit, and the two error boxes.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/mag.h"
#include "app/mag_rules.h"
#include "system_lookup.h"
#include "app_support.h"
#include "win_support.h"

using ocellus::TForm1;
using testing_support::kSettingsKeyPath;

namespace {

using Values = std::vector<std::pair<const wchar_t*, std::wstring>>;

void store(const Values& values) {
    for (const auto& [name, text] : values) ASSERT_TRUE(testing_support::storeSetting(name, text)) << "refused";
}

std::optional<std::wstring> stored(const wchar_t* name) {
    wchar_t buf[256] = {};
    DWORD bytes = sizeof buf - sizeof(wchar_t), type = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, name, RRF_RT_ANY, &type, buf, &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::wstring(buf);
}

class SettingsStore : public testing_support::ProgramWindowTest {
protected:
    TForm1& start() { return create(false); }
    // Ends the program's window as an exit does, which saves the settings.
    void exit() { form.reset(); }

    // The window's size on a first run, around its 600 x 430 client area.
    SIZE designSize() {
        testing_support::deleteSettings();
        const TForm1 fresh(nullptr);
        return {fresh.width(), fresh.height()};
    }
};

TEST_F(SettingsStore, AnUnreadableNumberEndsTheNumbersQuietlyAndKeepsWhatWasReadBeforeIt) {
    const SIZE design = designSize();
    testing_support::deleteSettings();
    // The first number unreadable: none is taken, the flag read before them is.
    store({{L"Cursor", L"1"}, {L"Left", L"abc"}, {L"Top", L"$64"}, {L"Width", L"500"}, {L"Magnification", L"18"}});
    start();
    EXPECT_TRUE(ocellus::CursorFlag);
    EXPECT_NE(form->top(), 100);
    EXPECT_EQ(form->width(), design.cx);
    EXPECT_EQ(ocellus::ZoomCode, 6);
    EXPECT_TRUE(boxes.empty());

    // A later one unreadable: the numbers before it are taken, those after it are not.
    form.reset();
    store({{L"Left", L"40"}, {L"Top", L"$64"}, {L"Width", L"  500"}, {L"Height", L"400px"}, {L"Magnification", L"18"}});
    start();
    EXPECT_EQ(form->left(), 40);
    EXPECT_EQ(form->top(), 100);
    EXPECT_EQ(form->width(), 500);
    EXPECT_EQ(form->height(), design.cy);
    EXPECT_EQ(ocellus::ZoomCode, 6);
    EXPECT_TRUE(form->rbx3->checked());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsStore, TheRestoredBoundsOfAMinimisedWindowAreSaved) {
    start();
    form->show();
    form->setBounds(120, 90, 500, 400);
    testing_support::pump(50);
    ::ShowWindow(form->handle(), SW_MINIMIZE);
    ASSERT_TRUE(testing_support::pumpUntil([&] { return ::IsIconic(form->handle()) != FALSE; }));
    exit();
    EXPECT_EQ(stored(L"Left"), L"120");
    EXPECT_EQ(stored(L"Top"), L"90");
    EXPECT_EQ(stored(L"Width"), L"500");
    EXPECT_EQ(stored(L"Height"), L"400");
    start();
    const RECT b = form->boundsRect();
    EXPECT_EQ(b.left, 120);
    EXPECT_EQ(b.top, 90);
}

TEST_F(SettingsStore, OffScreenBoundsOpenAtTheOriginButANegativeLeftOnAMonitorStays) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        int left, top, wantLeft, wantTop;
    };
    for (const Case c : {Case{-100, 80, -100, 80}, Case{sw - 49, 80, 0, 0}, Case{40, sh - 49, 0, 0},
                         Case{40, -1, 0, 0}, Case{-2000, 80, 0, 0} /* meets no monitor */}) {
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top);
        testing_support::deleteSettings();
        store({{L"Left", std::to_wstring(c.left)}, {L"Top", std::to_wstring(c.top)}});
        start();
        EXPECT_EQ(form->left(), c.wantLeft);
        EXPECT_EQ(form->top(), c.wantTop);
        form.reset();
    }
}

using RegSetValueExFn = LSTATUS(WINAPI*)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);

// Refuses the value "Cursor"; the others go to the real function (reached around the patched import).
LSTATUS WINAPI refuseCursor(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD bytes) {
    if (name && std::wstring(name) == L"Cursor") return ERROR_ACCESS_DENIED;
    static const auto real = testing_support::loadedFunction<RegSetValueExFn>(L"advapi32.dll", "RegSetValueExW");
    return real(key, name, reserved, type, data, bytes);
}

TEST_F(SettingsStore, AValueThatCannotBeWrittenEndsTheSaveWithAnError) {
    start();
    {
        testing_support::ImportPatch patch(L"advapi32.dll", "RegSetValueExW",
                                           reinterpret_cast<std::uintptr_t>(&refuseCursor));
        if (!patch.active())
            GTEST_SKIP() << "allowed: import-elsewhere: RegSetValueExW is not imported from advapi32 here";
        exit();
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"Failed to set data for 'Cursor'");
    EXPECT_EQ(stored(L"InvertColors"), L"0");  // written before it
    EXPECT_EQ(stored(L"Left"), std::nullopt);  // and nothing after it
}

}  // namespace

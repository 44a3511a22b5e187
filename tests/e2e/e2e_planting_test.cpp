// End-to-end: DLLs planted beside the program never run in it, on any Windows version it starts on. The
// program is copied into a folder of stand-in DLLs named after system DLLs that are not KnownDLLs
// (Windows loads those from the program's folder first); each stand-in leaves "<its name>.loaded"
// beside itself when loaded. The copy is made as each version would run it: every system function that
// version lacks is renamed in it, so that looking it up fails as it does there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <list>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "registry_override.h"

namespace e2e {
namespace {

constexpr const wchar_t* kPlanted[] = {L"UxTheme", L"version",  L"msimg32", L"dwmapi",        L"winmm",
                                       L"propsys", L"cryptbase", L"COMCTL32", L"windowscodecs", L"gdiplus",
                                       L"oleacc",  L"profapi",   L"userenv",  L"dbghelp"};
constexpr wchar_t kControl[] = L"old_fallback.exe";  // the old defence only
constexpr COLORREF kColour = RGB(18, 52, 86);

// What each Windows the program starts on lacks of what it looks up at run time.
struct Windows {
    const char* name;
    std::vector<const char*> lacks;
};
const std::vector<const char*> kTen1607 = {"GetThreadDpiAwarenessContext", "SetThreadDpiAwarenessContext",
                                           "GetAwarenessFromDpiAwarenessContext", "GetDpiForWindow",
                                           "AdjustWindowRectExForDpi"};
std::vector<const char*> plus(std::vector<const char*> a, const std::vector<const char*>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
const Windows kVersions[] = {
    {"7", plus(plus(kTen1607, {"SetProcessDpiAwarenessContext", "GetDpiForMonitor"}), {"SetDefaultDllDirectories"})},
    {"7_updated", plus(kTen1607, {"SetProcessDpiAwarenessContext", "GetDpiForMonitor"})},
    {"8_1", plus(kTen1607, {"SetProcessDpiAwarenessContext"})},
    {"10_1507", plus(kTen1607, {"SetProcessDpiAwarenessContext"})},
    {"10_1607", {"SetProcessDpiAwarenessContext"}},
    {"10_1703", {}},
};

void PrintTo(const Windows& windows, std::ostream* out) { *out << "Windows " << windows.name; }

// Renames each function (its name as a whole string) in the program file: a lookup then finds nothing.
bool hideFunctions(const std::wstring& program, const std::vector<const char*>& names) {
    std::string bytes;
    {
        std::ifstream in(std::filesystem::path(program), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    // A whole name: its end is a NUL, and what comes before it is no part of a name (the string may lie
    // right after other data, not after another string's NUL).
    auto namePart = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (const char* name : names) {
        const std::string whole = std::string(name) + '\0';
        std::size_t found = 0;
        for (std::size_t at = 0; (at = bytes.find(whole, at)) != std::string::npos; at += whole.size()) {
            if (at > 0 && namePart(bytes[at - 1])) continue;
            bytes[at] = 'X';
            ++found;
        }
        if (!found) return false;
    }
    std::ofstream out(std::filesystem::path(program), std::ios::binary | std::ios::trunc);
    return static_cast<bool>(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
}

// Has Wine prefer a DLL found beside the named program over its own for the planted names, as Windows
// does for any DLL that is not a KnownDLL (nothing on Windows reads the key). Wine reads WINEDLLOVERRIDES
// from the environment it was started with, which a program it runs cannot change for its children.
class PreferPlanted {
public:
    explicit PreferPlanted(std::initializer_list<const wchar_t*> programs) {
        for (const wchar_t* program : programs)
            for (const wchar_t* name : kPlanted)
                orders_.emplace_back(HKEY_CURRENT_USER,
                                     std::wstring(L"Software\\Wine\\AppDefaults\\") + program + L"\\DllOverrides", name,
                                     testing_support::RegistryValue::text(L"native,builtin"));
    }
    PreferPlanted(const PreferPlanted&) = delete;
    PreferPlanted& operator=(const PreferPlanted&) = delete;

private:
    std::list<testing_support::RegistryOverride> orders_;
};

std::vector<std::wstring> filesIn(const std::wstring& folder, const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE first = ::FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (first == INVALID_HANDLE_VALUE) return names;
    const win32::UniqueHandle<HANDLE, ::FindClose> search(first);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (::FindNextFileW(search.get(), &found));
    return names;
}

std::string joined(const std::vector<std::wstring>& names) {
    std::string text;
    for (const std::wstring& name : names) text += (text.empty() ? "" : ", ") + narrow(name);
    return text.empty() ? "none" : text;
}

class E2ePlanting : public ProgramTest, public testing::WithParamInterface<Windows> {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        empty();
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        const std::wstring here = moduleDirectory();
        for (const wchar_t* exe : {L"Ocellus.exe", kControl})
            ASSERT_TRUE(::CopyFileW((here + L"\\" + exe).c_str(), (folder_ + L"\\" + exe).c_str(), FALSE));
        ASSERT_TRUE(hideFunctions(folder_ + L"\\Ocellus.exe", GetParam().lacks));
        for (const wchar_t* name : kPlanted)
            ASSERT_TRUE(::CopyFileW((here + L"\\standin.dll").c_str(), (folder_ + L"\\" + name + L".dll").c_str(),
                                    FALSE));
    }
    void TearDown() override {
        ProgramTest::TearDown();
        empty();
    }

    // Start-up, a capture, the three copies, the About dialog and its help box, a smoothed picture, Esc.
    void runSession() {
        HWND w = start(folder_ + L"\\Ocellus.exe");
        ASSERT_TRUE(w);
        showColour(kColour);
        EXPECT_EQ(waitForTextEqual(app.readoutLabel(), L"RGB: 18,52,86"), L"RGB: 18,52,86");
        ASSERT_TRUE(copyWith('P'));
        EXPECT_EQ(clipboardText().value_or(L"<none>"), L"RGB: 18,52,86");
        for (WORD key : {'C', 'U'}) {
            auto picture = copyPicture(key);
            ASSERT_TRUE(picture) << "no picture from Ctrl+" << static_cast<char>(key);
            EXPECT_EQ(picture->at(picture->width / 2, picture->height / 2), kColour) << static_cast<char>(key);
        }

        bringToFront(w);
        sendKey(VK_F1);
        HWND about = waitForAbout(app.pid());
        ASSERT_TRUE(about) << "no About dialog";
        ::PostMessageW(findChild(about, L"Button", L"&Help"), BM_CLICK, 0, 0);
        HWND help = app.waitForErrorBox();
        ASSERT_TRUE(help) << "no help box";
        EXPECT_TRUE(dismiss(help));
        ::PostMessageW(findChild(about, L"Button", L"OK"), BM_CLICK, 0, 0);
        EXPECT_TRUE(pumpUntil([&] { return !::IsWindow(about); }, kUiTimeoutMs)) << "the About dialog stays";

        ASSERT_TRUE(clickButton(app.control(L"Button", L"&Interpolate")));  // GDI+ draws the picture
        auto smoothed = pictureWhen([](const Picture& p) { return p.at(p.width / 2, p.height / 2) == kColour; });
        EXPECT_TRUE(smoothed && smoothed->at(smoothed->width / 2, smoothed->height / 2) == kColour);

        bringToFront(w);
        sendKey(VK_ESCAPE);
        ASSERT_TRUE(app.waitForExit()) << "Esc did not end the program";
        EXPECT_EQ(app.exitCode().value_or(~0u), 0u);
    }

    // The stand-ins loaded so far, reported on the test's output.
    std::vector<std::wstring> markers(const char* into) const {
        auto names = filesIn(folder_, L"*.loaded");
        std::printf("[ planted ] loaded into %s: %s\n", into, joined(names).c_str());
        return names;
    }

    const std::wstring folder_ = moduleDirectory() + L"\\planted";

private:
    void empty() const {
        for (const std::wstring& name : filesIn(folder_, L"*")) ::DeleteFileW((folder_ + L"\\" + name).c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }
};

TEST_P(E2ePlanting, NoPlantedDllLoadsThroughAWholeSessionWhileTheOldDefenceLoadsOne) {
    const PreferPlanted prefer({L"Ocellus.exe", kControl});
    runSession();
    app.kill();
    const auto planted = markers(("Ocellus as Windows " + std::string(GetParam().name)).c_str());
    EXPECT_TRUE(planted.empty()) << joined(planted);

    // The control proves that the stand-ins and the preference work, and that without its own loads the
    // program would take the plant: a load by name after the old defence finds the one beside it.
    Ocellus control;
    ASSERT_TRUE(control.launch(folder_ + L"\\" + kControl));
    EXPECT_TRUE(control.waitForExit());
    const auto loaded = markers("the control");
    EXPECT_TRUE(std::any_of(loaded.begin(), loaded.end(),
                            [](const std::wstring& name) { return sameText(name, L"UxTheme.dll.loaded"); }))
        << joined(loaded);
}

INSTANTIATE_TEST_SUITE_P(AsEachWindows, E2ePlanting, testing::ValuesIn(kVersions),
                         [](const testing::TestParamInfo<Windows>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e

// The main window's clipboard copies under Wine, read back through the clipboard API.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/mag.h"
#include "forms/application.h"
#include "forms/exception.h"
#include "forms/handles.h"
#include "forms/seams.h"
// GCC 12 sees an out-of-bounds read in the TEB access that gdiObjectCount inlines; it is not one.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif
#include "app_support.h"
#include "win_support.h"
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

using ocellus::TForm1;
using testing_support::gdiObjectCount;
using testing_support::ScreenPattern;

namespace {

// ----- reading the clipboard -----

struct ClipboardPicture {
    bool present = false;
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top-down
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Someone else may hold the clipboard for a moment (the X selection bridge); retry briefly.
bool openClipboard(HWND owner = nullptr) {
    for (int i = 0; i < 50; ++i) {
        if (::OpenClipboard(owner)) return true;
        ::Sleep(10);
    }
    return false;
}

struct OpenedClipboard {
    bool open = openClipboard();
    ~OpenedClipboard() {
        if (open) ::CloseClipboard();
    }
};

std::vector<std::uint32_t> dibPixels(HBITMAP bitmap, int width, int height) {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(width) * height);
    BITMAPINFO bi = testing_support::topDown32(width, height);
    forms::WindowDc dc(nullptr, ::GetDC(nullptr));
    if (::GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(height), out.data(), &bi, DIB_RGB_COLORS) != height)
        out.clear();
    for (auto& p : out) p &= 0xFFFFFFu;
    return out;
}

// A bitmap selected into a DC is not for GetDIBits; the picture's own pixel view reads it.
std::vector<std::uint32_t> picturePixels(const forms::Bitmap& picture) {
    const ocellus::PixelView v = picture.pixels();
    std::vector<std::uint32_t> out;
    if (!v.row0 || v.bytesPerPixel != 4) return out;
    for (int y = 0; y < v.height; ++y) {
        const std::uint8_t* row = v.row0 + v.stride * y;
        for (int x = 0; x < v.width; ++x) {
            std::uint32_t p;
            std::memcpy(&p, row + x * 4, 4);
            out.push_back(p & 0xFFFFFFu);
        }
    }
    return out;
}

ClipboardPicture clipboardPicture() {
    ClipboardPicture out;
    OpenedClipboard cb;
    if (!cb.open) return out;
    auto* bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    BITMAP info{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof info, &info)) return out;
    out.present = true;
    out.width = info.bmWidth;
    out.height = info.bmHeight;
    out.pixels = dibPixels(bitmap, out.width, out.height);
    return out;
}

struct ClipboardText {
    bool present = false;
    std::wstring text;
    SIZE_T bytes = 0;
};

ClipboardText clipboardText() {
    ClipboardText out;
    OpenedClipboard cb;
    if (!cb.open) return out;
    HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    if (!data) return out;
    out.present = true;
    out.bytes = ::GlobalSize(data);
    if (auto* p = static_cast<const wchar_t*>(::GlobalLock(data))) {
        out.text.assign(p, wcsnlen(p, out.bytes / sizeof(wchar_t)));
        ::GlobalUnlock(data);
    }
    return out;
}

std::set<UINT> clipboardFormats() {
    std::set<UINT> out;
    OpenedClipboard cb;
    if (!cb.open) return out;
    for (UINT f = ::EnumClipboardFormats(0); f; f = ::EnumClipboardFormats(f)) out.insert(f);
    return out;
}

// Formats the system derives by itself from the ones a program places.
const std::set<UINT> kSynthesizedFromBitmap{CF_DIB, CF_DIBV5};
const std::set<UINT> kSynthesizedFromText{CF_TEXT, CF_OEMTEXT, CF_LOCALE};

void expectOnlyFormats(UINT placed, const std::set<UINT>& synthesized) {
    const std::set<UINT> formats = clipboardFormats();
    EXPECT_TRUE(formats.count(placed)) << "format " << placed << " missing";
    for (UINT f : formats)
        EXPECT_TRUE(f == placed || synthesized.count(f)) << "unexpected clipboard format " << f;
}

// A private format, so that leftovers from before a copy are recognisable.
UINT staleFormat() { return ::RegisterClipboardFormatW(L"OcellusTestStale"); }

void placeStaleData() {
    OpenedClipboard cb;
    ASSERT_TRUE(cb.open);
    ::EmptyClipboard();
    forms::GlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, 8));
    ASSERT_TRUE(block);
    if (::SetClipboardData(staleFormat(), block.get())) block.release();
}

// ----- the screen -----

// A colour per screen position that is unique over 4096 x 4096 pixels, in DIB byte order.
std::uint32_t patternAt(int x, int y) {
    const std::uint32_t r = x & 0xFF, g = y & 0xFF, b = (((x >> 8) & 0xF) << 4) | ((y >> 8) & 0xF);
    return (r << 16) | (g << 8) | b;
}

// Paints patternAt for the screen rectangle the window covers.
std::function<void(HDC, int, int)> positionPattern(int originX, int originY) {
    return [originX, originY](HDC dc, int w, int h) {
        testing_support::paintPixels(dc, w, h, [&](int x, int y) { return patternAt(originX + x, originY + y); });
    };
}

// How many pixels of a picture differ from the pattern at the given screen origin.
int patternMismatches(const ClipboardPicture& pic, int left, int top) {
    int bad = 0;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x)
            if (pic.at(x, y) != patternAt(left + x, top + y)) ++bad;
    return bad;
}

// A key-down with exactly Ctrl held, through the application's dispatch as the message loop does it.
void pressWithCtrl(HWND window, WORD key) {
    BYTE saved[256], state[256];
    ::GetKeyboardState(saved);
    std::memcpy(state, saved, sizeof state);
    state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    state[VK_SHIFT] = state[VK_MENU] = 0;
    ::SetKeyboardState(state);
    MSG msg{window, WM_KEYDOWN, key, 1, static_cast<DWORD>(::GetMessageTime()), {}};
    forms::application().dispatch(msg);
    ::SetKeyboardState(saved);
}

void moveCursor(int x, int y) {
    ::SetCursorPos(x, y);
    testing_support::pumpUntil(
        [&] {
            POINT p{};
            ::GetCursorPos(&p);
            return p.x == x && p.y == y;
        },
        1000);
}

// ----- provoking failures -----

// Holds the clipboard open on another thread, as another program would.
class ClipboardHolder {
public:
    ClipboardHolder() {
        std::promise<bool> opened;
        std::future<bool> result = opened.get_future();
        thread_ = std::thread([this, &opened] {
            const bool ok = ::OpenClipboard(nullptr) != FALSE;
            opened.set_value(ok);
            release_.get_future().wait();
            if (ok) ::CloseClipboard();
        });
        holding_ = result.get();
    }
    ~ClipboardHolder() {
        release_.set_value();
        thread_.join();
    }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;
    bool holding() const { return holding_; }

private:
    std::promise<void> release_;
    std::thread thread_;
    bool holding_ = false;
};

// Redirects this program's calls of one imported function, to provoke failures the system does
// not produce on demand. The program's code reaches system functions through the import table.
using testing_support::ImportPatch;

HANDLE refusedClipboardData = nullptr;
HANDLE WINAPI refuseClipboardData(UINT, HANDLE data) {
    refusedClipboardData = data;
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

using testing_support::systemText;

// ----- the window -----

using testing_support::deleteSettings;

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        ocellus::ZoomCode = 6;
        ocellus::ReadoutFormat = 1;
        ocellus::OnTopFlag = ocellus::InterpolateFlag = ocellus::CursorFlag = false;
        ocellus::GrabBusy = false;
        deleteSettings();
        forms::application().resetForTests();
        forms::application().title = L"Ocellus";
        forms::seams().screenPixelsPerInch = [] { return 96; };
        forms::seams().messageBox = [this](HWND, const wchar_t* text, const wchar_t* caption, UINT) {
            errors.emplace_back(text);
            captions.emplace_back(caption);
            return IDOK;
        };
        form = std::make_unique<TForm1>(nullptr);
        // Captures run only when a test asks for one.
        form->Timer1->setEnabled(false);
        form->Timer2->setEnabled(false);
    }
    void TearDown() override {
        form.reset();
        ocellus::ZoomCode = 6;
        ocellus::ReadoutFormat = 1;
        ocellus::GrabBusy = false;
        deleteSettings();
        forms::restoreDefaultSeams();
    }

    std::unique_ptr<TForm1> form;
    std::vector<std::wstring> errors, captions;
};

// ----- magnified picture -----

TEST_F(ClipboardTest, MagnifiedCopyIsImage1sBitmapAndReplacesTheClipboard) {
    ScreenPattern pattern({0, 0, 640, 480}, positionPattern(0, 0));
    form->show();
    form->GrabScreen(320, 240);
    const forms::Bitmap& picture = form->Image1->picture();
    ASSERT_EQ(picture.width(), 572);
    ASSERT_EQ(picture.height(), 356);
    const std::vector<std::uint32_t> shown = picturePixels(picture);
    ASSERT_FALSE(shown.empty());

    placeStaleData();
    form->copymagimagetoclipboard();
    const ClipboardPicture copy = clipboardPicture();
    ASSERT_TRUE(copy.present);
    EXPECT_EQ(copy.width, 572);
    EXPECT_EQ(copy.height, 356);
    EXPECT_TRUE(copy.pixels == shown);
    // The capture really put the screen in: x3 of the area at (225, 181).
    EXPECT_EQ(copy.at(0, 0), patternAt(225, 181));
    expectOnlyFormats(CF_BITMAP, kSynthesizedFromBitmap);
    EXPECT_FALSE(clipboardFormats().count(staleFormat()));

    // Turning Invert on changes nothing until the next capture: the copy is the last capture's picture.
    ::SendMessageW(form->invertcb->handle(), BM_SETCHECK, BST_CHECKED, 0);
    form->copymagimagetoclipboard();
    EXPECT_TRUE(clipboardPicture().pixels == shown);
    EXPECT_TRUE(errors.empty());

    // Each copy replaces the last one; the clipboard's old bitmaps do not pile up.
    const int before = gdiObjectCount();
    for (int i = 0; i < 100; ++i) {
        form->copymagimagetoclipboard();
        form->copyunmagimagetoclipboard();
    }
    EXPECT_LT(gdiObjectCount() - before, 10);
}

// ----- unmagnified area -----

TEST_F(ClipboardTest, UnmagnifiedCopyIsTheSourceAreaAtOneToOnePerZoom) {
    ScreenPattern pattern({0, 0, 640, 480}, positionPattern(0, 0));
    ASSERT_EQ(form->Image1->width(), 572);
    ASSERT_EQ(form->Image1->height(), 356);
    moveCursor(320, 240);
    const struct {
        int zoom, width, height;
    } cases[] = {{2, 572, 356}, {3, 380, 236}, {4, 286, 178}, {6, 190, 118}, {8, 142, 88},
                 {12, 94, 58},  {18, 62, 38},  {24, 46, 28},  {30, 38, 22}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zoom);
        ocellus::ZoomCode = c.zoom;
        placeStaleData();
        form->copyunmagimagetoclipboard();
        const ClipboardPicture copy = clipboardPicture();
        ASSERT_TRUE(copy.present);
        EXPECT_EQ(copy.width, c.width);
        EXPECT_EQ(copy.height, c.height);
        EXPECT_EQ(patternMismatches(copy, 320 - c.width / 2, 240 - c.height / 2), 0);
        expectOnlyFormats(CF_BITMAP, kSynthesizedFromBitmap);
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(ClipboardTest, UnmagnifiedCopyClampsToTheDisplayEdges) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    ScreenPattern topLeft({0, 0, 300, 200}, positionPattern(0, 0));
    ScreenPattern bottomRight({sw - 300, sh - 200, sw, sh}, positionPattern(sw - 300, sh - 200));
    ocellus::ZoomCode = 6;

    moveCursor(5, 5);
    form->copyunmagimagetoclipboard();
    ClipboardPicture copy = clipboardPicture();
    ASSERT_TRUE(copy.present);
    EXPECT_EQ(copy.width, 190);
    EXPECT_EQ(copy.height, 118);
    EXPECT_EQ(copy.at(0, 0), patternAt(0, 0));
    EXPECT_EQ(patternMismatches(copy, 0, 0), 0);

    moveCursor(sw - 3, sh - 2);
    form->copyunmagimagetoclipboard();
    copy = clipboardPicture();
    ASSERT_TRUE(copy.present);
    EXPECT_EQ(patternMismatches(copy, sw - 190, sh - 118), 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(ClipboardTest, ZeroSizedPicturesEmptyTheClipboardSilently) {
    form->Image1->setBounds(6, 7, 20, 20);  // smaller than 30 pixels: no area at x15
    ocellus::ZoomCode = 30;
    moveCursor(100, 100);
    placeStaleData();
    const int gdiBefore = gdiObjectCount();
    form->copyunmagimagetoclipboard();
    EXPECT_TRUE(clipboardFormats().empty());

    form->Image1->picture().setSize(0, 0);
    placeStaleData();
    form->copymagimagetoclipboard();
    EXPECT_TRUE(clipboardFormats().empty());
    EXPECT_TRUE(errors.empty());
    EXPECT_LE(gdiObjectCount(), gdiBefore);
}

// ----- readout text -----

TEST_F(ClipboardTest, TextIsEmptyBeforeTheFirstCapture) {
    placeStaleData();
    form->copyrgbtexttoclipboard();
    const ClipboardText t = clipboardText();
    ASSERT_TRUE(t.present);
    EXPECT_EQ(t.text, L"");
    EXPECT_EQ(t.bytes, 2u);
    expectOnlyFormats(CF_UNICODETEXT, kSynthesizedFromText);
    EXPECT_TRUE(errors.empty());
}

TEST_F(ClipboardTest, TextIsTheReadoutInEachFormat) {
    ScreenPattern swatch({200, 200, 260, 260}, ScreenPattern::solid(RGB(255, 128, 0)));
    form->show();
    const struct {
        int format;
        const wchar_t* text;
    } cases[] = {{1, L"RGB: 255,128,0"}, {2, L"$FF8000"}, {3, L"33023"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        ocellus::ReadoutFormat = c.format;
        form->GrabScreen(230, 230);
        ASSERT_EQ(form->rgblabel->caption(), c.text);
        placeStaleData();
        form->copyrgbtexttoclipboard();
        const ClipboardText t = clipboardText();
        ASSERT_TRUE(t.present);
        EXPECT_EQ(t.text, c.text);
        EXPECT_EQ(t.bytes, (std::wcslen(c.text) + 1) * sizeof(wchar_t));
        expectOnlyFormats(CF_UNICODETEXT, kSynthesizedFromText);
    }
    // The text is what the label shows, not the screen now.
    ScreenPattern other({200, 200, 260, 260}, ScreenPattern::solid(RGB(0, 0, 255)));
    form->copyrgbtexttoclipboard();
    EXPECT_EQ(clipboardText().text, L"33023");
    EXPECT_TRUE(errors.empty());
}

// ----- failures -----

TEST_F(ClipboardTest, HeldClipboardFailsEveryCopyWithTheSystemsTextAndLeaksNothing) {
    placeStaleData();
    ScreenPattern pattern({0, 0, 400, 300}, positionPattern(0, 0));
    form->show();
    form->GrabScreen(200, 150);
    moveCursor(200, 150);
    {
        ClipboardHolder holder;
        ASSERT_TRUE(holder.holding());
        ASSERT_FALSE(::OpenClipboard(forms::application().handle()));
        std::wstring reason = systemText(::GetLastError());
        while (!reason.empty() && (reason.back() <= L' ' || reason.back() == L'.')) reason.pop_back();
        ASSERT_FALSE(reason.empty());
        const std::wstring expected = L"Cannot open clipboard: " + reason + L".";

        EXPECT_THROW(form->copyunmagimagetoclipboard(), forms::EClipboardException);
        EXPECT_THROW(form->copymagimagetoclipboard(), forms::EClipboardException);
        EXPECT_THROW(form->copyrgbtexttoclipboard(), forms::EClipboardException);

        forms::guarded([&] { form->copyunmagimagetoclipboard(); });
        forms::guarded([&] { form->copymagimagetoclipboard(); });
        forms::guarded([&] { form->copyrgbtexttoclipboard(); });
        // The keys reach the same box through the window's key handler.
        for (WORD key : {'U', 'C', 'P'}) pressWithCtrl(form->handle(), key);
        ASSERT_EQ(errors.size(), 6u);
        for (const auto& e : errors) EXPECT_EQ(e, expected);
        EXPECT_EQ(captions[0], L"Ocellus");

        const int before = gdiObjectCount();
        for (int i = 0; i < 100; ++i) forms::guarded([&] { form->copyunmagimagetoclipboard(); });
        for (int i = 0; i < 100; ++i) forms::guarded([&] { form->copymagimagetoclipboard(); });
        for (int i = 0; i < 100; ++i) forms::guarded([&] { form->copyrgbtexttoclipboard(); });
        const int after = gdiObjectCount();
        std::printf("GDI objects around 300 failed copies: %d -> %d\n", before, after);
        EXPECT_EQ(after, before);
        EXPECT_EQ(errors.size(), 306u);
    }
    // Nothing was copied, and the clipboard is not left open by us.
    EXPECT_TRUE(clipboardFormats().count(staleFormat()));
    EXPECT_TRUE(openClipboard());
    ::CloseClipboard();
}

TEST_F(ClipboardTest, RefusedDataIsFreedAndOnlyTheTextFailureIsReported) {
    ScreenPattern pattern({0, 0, 400, 300}, positionPattern(0, 0));
    form->show();
    form->GrabScreen(200, 150);
    moveCursor(200, 150);
    ImportPatch patch(L"user32.dll", "SetClipboardData", reinterpret_cast<std::uintptr_t>(&refuseClipboardData));
    ASSERT_TRUE(patch.active());

    // Bitmaps: the result is ignored, but the refused copy must not stay behind.
    form->copymagimagetoclipboard();
    ASSERT_NE(refusedClipboardData, nullptr);
    EXPECT_EQ(::GetObjectType(refusedClipboardData), 0u);
    refusedClipboardData = nullptr;
    form->copyunmagimagetoclipboard();
    ASSERT_NE(refusedClipboardData, nullptr);
    EXPECT_EQ(::GetObjectType(refusedClipboardData), 0u);
    const int before = gdiObjectCount();
    for (int i = 0; i < 50; ++i) {
        form->copymagimagetoclipboard();
        form->copyunmagimagetoclipboard();
    }
    EXPECT_EQ(gdiObjectCount(), before);
    EXPECT_TRUE(errors.empty());

    // Text: reported, and the block is freed.
    refusedClipboardData = nullptr;
    EXPECT_THROW(form->copyrgbtexttoclipboard(), forms::EOutOfResources);
    ASSERT_NE(refusedClipboardData, nullptr);
    EXPECT_EQ(::GlobalFlags(refusedClipboardData), static_cast<UINT>(GMEM_INVALID_HANDLE));
    forms::guarded([&] { form->copyrgbtexttoclipboard(); });
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], L"Out of system resources.");
    EXPECT_TRUE(openClipboard());
    ::CloseClipboard();
}

}  // namespace

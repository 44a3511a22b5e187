// The main window's clipboard copies, keyboard commands and About command.
#include <cstring>
#include <memory>
#include <utility>

#include "about/about.h"
#include "app/mag.h"
#include "app/mag_rules.h"
#include "base/exception.h"
#include "forms/application.h"
#include "win32/errortext.h"
#include "win32/physicalpixels.h"
#include "mylib/ustandardizefonts.h"

namespace ocellus {
namespace {

constexpr wchar_t kEscapeChar = 0x1B;  // the character Esc types

// The system's text without its line break, for the middle of a message.
std::wstring systemErrorLine(DWORD code) {
    std::wstring text = win32::systemErrorText(code);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

// Opens the clipboard for one transaction, or raises the error the user is shown.
class ClipboardTransaction {
public:
    ClipboardTransaction() : session_(forms::application().handle()) {
        if (!session_.isOpen())
            throw EClipboardException(
                formatMessage(L"Cannot open clipboard: %s", systemErrorLine(::GetLastError())));
    }

private:
    win32::ClipboardSession session_;
};

// A device-dependent copy of an area of a device context, compatible with the display, for the
// clipboard; the empty handle when the area is empty or there is no room.
win32::BitmapHandle displayCopy(HDC source, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    win32::WindowDc screen(nullptr, ::GetDC(nullptr));
    win32::BitmapHandle copy(::CreateCompatibleBitmap(screen.get(), width, height));
    if (!copy) return copy;
    win32::MemoryDc dc(::CreateCompatibleDC(screen.get()));
    win32::SelectObjectScope in(dc.get(), copy.get());
    ::BitBlt(dc.get(), 0, 0, width, height, source, x, y, SRCCOPY);
    return copy;
}

// One transaction placing a bitmap. An empty one empties the clipboard and places nothing.
void placeBitmap(win32::BitmapHandle bitmap) {
    ClipboardTransaction transaction;
    ::EmptyClipboard();
    // Our bitmaps are 32-bit, so they carry no palette; a failed set is not reported, but the
    // bitmap is not leaked either.
    if (bitmap && ::SetClipboardData(CF_BITMAP, bitmap.get())) bitmap.release();
}

}  // namespace

void TForm1::copymagimagetoclipboard() {
    win32::Bitmap& picture = Image1->picture();
    placeBitmap(picture.handle() ? displayCopy(picture.dc(), 0, 0, picture.width(), picture.height())
                                 : win32::BitmapHandle{});
}

void TForm1::copyrgbtexttoclipboard() {
    const std::wstring& text = rgblabel->caption();
    ClipboardTransaction transaction;
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    win32::GlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes));
    if (!block) throw EOutOfResources(L"Out of system resources");
    if (void* p = ::GlobalLock(block.get())) {
        std::memcpy(p, text.c_str(), bytes);
        ::GlobalUnlock(block.get());
    } else {
        throw EOutOfResources(L"Out of system resources");
    }
    ::EmptyClipboard();
    if (!::SetClipboardData(CF_UNICODETEXT, block.get())) throw EOutOfResources(L"Out of system resources");
    block.release();  // the clipboard owns it now
}

void TForm1::copyunmagimagetoclipboard() {
    win32::BitmapHandle area;
    {
        // The pointer, its monitor and the read all in the physical pixels the desktop DC reads;
        // the clipboard's work, which may create a window, comes after.
        const win32::PhysicalPixelsScope physical;
        POINT p{};
        if (!::GetCursorPos(&p)) return;  // no pointer while another desktop has the input
        win32::WindowDc screen = win32::WindowDc::ofWindow(::GetDesktopWindow());
        const SourceRect src = sourceAround(p, Image1->width(), Image1->height(), ZoomCode);
        area = displayCopy(screen.get(), src.left, src.top, src.width, src.height);
    }
    placeBitmap(std::move(area));
    forms::application().processMessages();
}

// ----- keys and About -----

void TForm1::Button1Click(forms::Component*) {
    auto dialog = forms::makeForm<TAboutForm>(this);
    AboutForm = dialog.get();
    dialog->scaled = false;
    dialog->autoScroll = false;
    dialog->showHint = true;
    StandardizeFormFont(dialog.get(), false);
    dialog->showModal();
}

void TForm1::FormKeyDown(forms::Component*, WORD& key, forms::ShiftState shift) {
    if (shift == forms::ssCtrl) {
        if (key == 'C') copymagimagetoclipboard();
        else if (key == 'P') copyrgbtexttoclipboard();
        else if (key == 'U') copyunmagimagetoclipboard();
    } else if (shift == 0 && key == VK_F1) {
        Button1Click(this);
    }
}

void TForm1::FormKeyPress(forms::Component*, wchar_t& key) {
    if (key == kEscapeChar) {
        key = 0;
        forms::application().terminate();
    } else if (key == L'H' || key == L'h') {
        Button1Click(this);
    }
}

}  // namespace ocellus

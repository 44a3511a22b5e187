#include "win32/font.h"

#include "win32/graphics.h"

namespace win32 {

void Font::assign(const FontDef& d) {
    face.assign(d.face);
    height = d.height;
    style = d.style;
    color = d.color;
    changed();
}

HFONT Font::handle() {
    if (!handle_) {
        handle_.reset(::CreateFontW(height, 0, 0, 0, (style & fsBold) ? FW_BOLD : FW_NORMAL,
                                    (style & fsItalic) != 0, (style & fsUnderline) != 0, (style & fsStrikeOut) != 0,
                                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
    }
    return handle_.get();
}

// Measured in a memory DC: the screen's costs a round trip to the display under Wine, for the same metrics.
SIZE Font::textSize(const wchar_t* text) {
    MemoryDc dc(::CreateCompatibleDC(nullptr));
    SelectObjectScope f(dc.get(), handle());
    RECT rc{0, 0, 0, 0};
    ::DrawTextW(dc.get(), text, -1, &rc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return {rc.right - rc.left, rc.bottom - rc.top};
}

}  // namespace win32

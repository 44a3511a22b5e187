#include "win32/font.h"

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

}  // namespace win32

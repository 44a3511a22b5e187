// The capture: one read of the screen area around the pointer, the readout, and the picture, which is
// drawn again only when something it is made from has changed.
#include <cstring>
#include <iterator>

#include "app/contbrightsat.h"
#include "app/mag.h"
#include "app/mag_rules.h"
#include "win32/gdiplus.h"
#include "win32/physicalpixels.h"

namespace ocellus {

bool TForm1::GrabScreen(int x, int y) {
    if (!ScreenCanvas) return false;
    const int w = Image1->width(), h = Image1->height();
    SourceRect src{};
    bool haveSource = false;
    ScreenSource::Read read = ScreenSource::Read::Unchanged;  // nothing to read counts as a still screen
    std::uint32_t colour = kFailedRead;
    {
        // The monitor and the read in the physical pixels the pointer position is in (see Timer2Timer).
        const win32::PhysicalPixelsScope physical;
        win32::WindowDc screen = win32::WindowDc::ofWindow(::GetDesktopWindow());
        const win32::CanvasAttachment attached(*ScreenCanvas, screen.get());
        src = sourceAround({x, y}, w, h, ZoomCode);
        haveSource = src.width > 0 && src.height > 0;
        if (haveSource) read = source_.read(screen.get(), src);
        // The pointer's pixel comes from the copy just read; a failed read shows as the failure value.
        const bool inside = haveSource && x >= src.left && x < src.right() && y >= src.top && y < src.bottom();
        if (!inside) colour = ScreenCanvas->pixel(x, y);
        else if (read != ScreenSource::Read::Failed) colour = pixelOf(source_.pixels(), x - src.left, y - src.top);
    }

    // Each of these repaints only when its text or colour changes.
    const ReadoutText readout = readoutFor(colour, ReadoutFormat);
    const std::wstring coordinates = coordinatesText(x, y);
    const bool readoutChanged =
        rgblabel->caption() != readout.text || colpanel->color != colour || xyLabel->caption() != coordinates;
    rgblabel->setCaption(readout.text);
    rgblabel->setHint(readout.hint);
    colpanel->setColor(colour);
    xyLabel->setCaption(coordinates);

    // After a failed read the picture stays exactly as it was, neither read nor adjusted again.
    if (read == ScreenSource::Read::Failed) return readoutChanged;
    win32::Bitmap& picture = Image1->picture();
    PictureInputs inputs{.width = w,
                         .height = h,
                         .zoomCode = ZoomCode,
                         .markerX = src.markerX,
                         .markerY = src.markerY,
                         .interpolate = InterpolateFlag,
                         .enhance = enhancerb->checked(),
                         .invert = invertcb->checked(),
                         .cursor = CursorFlag,
                         .pictureSerial = picture.serial()};
    if (read == ScreenSource::Read::Unchanged && shown_ == inputs) return readoutChanged;

    shown_.reset();  // until the new picture is complete
    if (haveSource) drawPicture(w, h, inputs.enhance, inputs.invert);
    // The arrow, or a figure without area: either way the picture is marked changed and repainted.
    POINT arrow[std::size(kArrowShape)];
    for (std::size_t i = 0; i < std::size(kArrowShape); ++i)
        arrow[i] = CursorFlag ? POINT{src.markerX + kArrowShape[i].x, src.markerY + kArrowShape[i].y} : POINT{0, 0};
    picture.canvas().polygon(arrow);
    inputs.pictureSerial = picture.serial();
    shown_ = inputs;
    return true;
}

void TForm1::drawPicture(int w, int h, bool enhance, bool invert) {
    win32::Bitmap& picture = Image1->picture();
    bool smoothed = false;
    if (InterpolateFlag) {
        picture.setWidth(w);
        picture.setHeight(h);
        if (HBITMAP scaled = win32::gdiplus::highQualityScale(source_.pixels(), w, h)) {
            picture.takeHandle(scaled);
            if (enhance) enhanceimage();
            if (invert) invertimage();
            smoothed = true;
        }
    }
    if (!smoothed) stretchSource(w, h, enhance, invert);  // also when smoothing failed
}

// The plain stretch only repeats pixels and both adjustments work on each pixel alone, so adjusting the
// source first gives the same picture for a fraction of the work (1/9 at x3). The copy read from the
// screen stays as read, for the next capture to compare with: Enhance works on a spare copy and Invert
// is the stretch's own raster operation.
void TForm1::stretchSource(int w, int h, bool enhance, bool invert) {
    const PixelView source = source_.pixels();
    HDC from = source_.current().dc();
    if (enhance) {
        adjusted_.setSize(source.width, source.height);
        const PixelView work = adjusted_.pixels();
        if (!work.row0 || work.stride != source.stride) {
            // No room for the adjusted copy: adjust the whole picture instead.
            ::StretchBlt(Image1->picture().dc(), 0, 0, w, h, from, 0, 0, source.width, source.height, SRCCOPY);
            enhanceimage();
            if (invert) invertimage();
            return;
        }
        std::memcpy(work.row0, source.row0, static_cast<std::size_t>(source.stride) * source.height);
        EnhanceColours(work);
        from = adjusted_.dc();
    }
    ::StretchBlt(Image1->picture().dc(), 0, 0, w, h, from, 0, 0, source.width, source.height,
                 invert ? NOTSRCCOPY : SRCCOPY);
}

void TForm1::enhanceimage() { EnhanceColours(Image1->picture().pixels()); }

void TForm1::invertimage() {
    RECT rc{};
    ::GetClientRect(handle(), &rc);
    win32::RegionHandle region(::CreateRectRgnIndirect(&rc));
    if (region) ::InvertRgn(Image1->picture().dc(), region.get());
}

}  // namespace ocellus

// The main window: live magnified picture, pixel readout, zoom and option controls, settings, keys.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "app/mag_rules.h"
#include "app/mag_source.h"
#include "forms/form.h"
#include "forms/timer.h"

namespace ocellus {

// State shared by the main window's handlers; the next capture reads it.
extern std::int32_t ZoomCode;       // twice the magnification
extern std::int32_t ZoomTag;        // Tag of the checked zoom button, during one wheel step
extern std::int32_t ReadoutFormat;  // 1 RGB, 2 Hexadecimal, 3 TColor
extern bool OnTopFlag, InterpolateFlag, CursorFlag;
extern bool GrabBusy;  // from a capture to Timer1's next tick (the refresh cycle, in mag.cpp)
extern std::unique_ptr<win32::Canvas> ScreenCanvas;

class TForm1;
extern TForm1* Form1;

class TForm1 : public forms::Form {
public:
    explicit TForm1(forms::Component* owner);
    ~TForm1() override;

    // Controls, in creation order.
    forms::Panel* Panel1 = nullptr;
    forms::Image* Image1 = nullptr;
    forms::Panel* Panel2 = nullptr;
    forms::Label* rgblabel = nullptr;
    forms::Label* xyLabel = nullptr;
    forms::CheckBox* cbinterpolate = nullptr;
    forms::GroupBox* RadioGroup1 = nullptr;
    forms::CheckBox* cbontop = nullptr;
    forms::PushButton* Button1 = nullptr;
    forms::CheckBox* cursorcheckbox = nullptr;
    forms::Panel* colpanel = nullptr;
    forms::CheckBox* invertcb = nullptr;
    forms::CheckBox* enhancerb = nullptr;
    // The zoom group, in the zoom table's order.
    forms::RadioButton *rbx1 = nullptr, *rbx1_5 = nullptr, *rbx2 = nullptr, *rbx3 = nullptr, *rbx4 = nullptr,
                       *rbx6 = nullptr, *rbx9 = nullptr, *rbx12 = nullptr, *rbx15 = nullptr;
    forms::Timer* Timer1 = nullptr;
    forms::Timer* Timer2 = nullptr;

    void FormCreate(forms::Component* sender);
    void FormShow(forms::Component* sender);
    void FormResize(forms::Component* sender);
    void FormDestroy(forms::Component* sender);
    void Timer1Timer(forms::Component* sender);
    void Timer2Timer(forms::Component* sender);
    void Image1MouseUp(forms::Component*, int, forms::ShiftState, int, int) {}
    void FormMouseMove(forms::Component*, forms::ShiftState, int, int) {}

    // True when it changed anything on show, which then waits for the next paint.
    bool GrabScreen(int x, int y);
    void enhanceimage();
    void invertimage();

    // Zoom and options
    void zoomButtonClick(forms::Component* sender);  // any of the zoom group's buttons
    void findcheckedtag();
    void checkradiobytag();
    void FormMouseWheelDown(forms::Component* sender, forms::ShiftState shift, POINT pos, bool& handled);
    void FormMouseWheelUp(forms::Component* sender, forms::ShiftState shift, POINT pos, bool& handled);
    void cbontopClick(forms::Component* sender);
    void cbinterpolateClick(forms::Component* sender);
    void cursorcheckboxClick(forms::Component* sender);
    void rgblabelClick(forms::Component* sender);

    // Clipboard
    void copymagimagetoclipboard();
    void copyrgbtexttoclipboard();
    void copyunmagimagetoclipboard();

    // Settings
    void readregistry();
    void writeregistry();

    // Keys and About
    void Button1Click(forms::Component* sender);
    void FormKeyDown(forms::Component* sender, WORD& key, forms::ShiftState shift);
    void FormKeyPress(forms::Component* sender, wchar_t& key);

    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void drawPicture(int width, int height, bool enhance, bool invert);
    void stretchSource(int width, int height, bool enhance, bool invert);

    ScreenSource source_;
    win32::Bitmap adjusted_;              // the source area with Enhance applied, for the plain stretch
    std::optional<PictureInputs> shown_;  // what the picture on show was made from
    bool sessionSaved_ = false;
};


// The arrow drawn at the pointer's place in the picture, as offsets from its tip.
inline constexpr POINT kArrowShape[] = {{0, 0}, {0, 45}, {11, 32}, {25, 57}, {35, 51}, {21, 26}, {37, 24}};

}  // namespace ocellus

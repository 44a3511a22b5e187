#include "app/mag.h"

#include <array>

#include "app/mag_rules.h"
#include "app/registry.h"
#include "app/settings_rules.h"
#include "forms/application.h"
#include "forms/exception.h"
#include "forms/physicalpixels.h"
#include "mylib/ustandardizefonts.h"

namespace ocellus {

std::int32_t ZoomCode = kDefaultZoomCode;
std::int32_t ZoomTag = 0;
std::int32_t ReadoutFormat = 1;
bool OnTopFlag = false, InterpolateFlag = false, CursorFlag = false;
bool GrabBusy = false;
std::unique_ptr<forms::Canvas> ScreenCanvas;
TForm1* Form1 = nullptr;

namespace {

using forms::akBottom;
using forms::akLeft;
using forms::akRight;
using forms::akTop;
using forms::ControlDef;
using forms::FontDef;
using forms::Kind;
using Def = ControlDef<TForm1>;

constexpr FontDef kParent{};
constexpr FontDef kButton1Font{L"MS Sans Serif", -10, forms::fsBold, forms::clWindowText};

constexpr forms::FormDef kForm1{
    .className = L"TForm1",
    .name = L"Form1",
    .caption = L"Ocellus",
    .clientWidth = 600,
    .clientHeight = 430,
    .font = {L"Tahoma", -10, 0, forms::clWindowText},
    .border = forms::BorderStyle::Sizeable,
    .minimizeBox = true,
    .maximizeBox = false,
    .position = forms::Position::DefaultPosOnly,
    .keyPreview = true,
};

// Radio button row: name, caption, left, width, tag, tab order, handler.
constexpr Def zoomButton(std::wstring_view name, std::wstring_view caption, int left, int width, int tag,
                         int tabOrder, forms::Handler<TForm1> handler) {
    return Def{name, Kind::RadioButton, L"Panel2", left, 15, width, 14, caption, kParent, akLeft | akTop,
               tabOrder, tag, forms::coNone, handler};
}

constexpr std::array<Def, 24> kLayout{{
    {L"Panel1", Kind::Panel, L"", 6, 7, 426, 260, L"", kParent, akLeft | akTop, 0},
    {L"Image1", Kind::Image, L"Panel1", 6, 7, 414, 247, L"", kParent},
    {L"Panel2", Kind::Panel, L"", 0, 381, 600, 49, L"", kParent, akLeft | akTop, 1, 0, forms::coAlignBottom},
    {L"rgblabel", Kind::Label, L"Panel2", 91, 34, 36, 12, L"rgblabel", kParent, akLeft | akTop, -1, 0,
     forms::coNone, &TForm1::rgblabelClick},
    {L"xyLabel", Kind::Label, L"Panel2", 342, 34, 65, 13, L"xyLabel", kParent, akRight | akBottom, -1, 0,
     forms::coFixedSize | forms::coAlignRight},
    {L"cbinterpolate", Kind::CheckBox, L"Panel2", 11, 17, 68, 14, L"&Interpolate", kParent, akLeft | akTop, 1, 0,
     forms::coNone, &TForm1::cbinterpolateClick},
    {L"RadioGroup1", Kind::GroupBox, L"Panel2", 91, 2, 344, 33, L"Zoom ", kParent, akLeft | akTop, 2},
    zoomButton(L"rbx2", L"x2", 176, 39, 3, 5, &TForm1::rbx2Click),
    zoomButton(L"rbx3", L"x3", 210, 38, 4, 6, &TForm1::rbx3Click),
    zoomButton(L"rbx4", L"x4", 243, 33, 5, 7, &TForm1::rbx4Click),
    zoomButton(L"rbx6", L"x6", 277, 33, 6, 8, &TForm1::rbx6Click),
    zoomButton(L"rbx9", L"x9", 311, 34, 7, 9, &TForm1::rbx9Click),
    zoomButton(L"rbx12", L"x12", 345, 40, 8, 10, &TForm1::rbx12Click),
    {L"cbontop", Kind::CheckBox, L"Panel2", 11, 3, 78, 14, L"&Stay on top", kParent, akLeft | akTop, 0, 0,
     forms::coNone, &TForm1::cbontopClick},
    {L"Button1", Kind::Button, L"Panel2", 420, 33, 14, 17, L"?", kButton1Font, akLeft | akTop, 16, 0, forms::coNone,
     &TForm1::Button1Click},
    zoomButton(L"rbx1_5", L"x1.5", 132, 39, 2, 4, &TForm1::rbx1_5Click),
    zoomButton(L"rbx15", L"x15", 384, 38, 9, 11, &TForm1::rbx15Click),
    zoomButton(L"rbx1", L"x1", 98, 33, 1, 3, &TForm1::rbx1Click),
    {L"cursorcheckbox", Kind::CheckBox, L"Panel2", 11, 31, 78, 13, L"Show cursor", kParent, akLeft | akTop, 12, 0,
     forms::coNone, &TForm1::cursorcheckboxClick},
    {L"colpanel", Kind::Panel, L"Panel2", 189, 35, 26, 13, L"colpanel", kParent, akLeft | akTop, 14, 0,
     forms::coNone, nullptr, 0, forms::clBackground},
    {L"invertcb", Kind::CheckBox, L"Panel2", 236, 34, 70, 15, L"Invert cols", kParent, akLeft | akTop, 13},
    {L"enhancerb", Kind::CheckBox, L"Panel2", 309, 34, 65, 15, L"Enhance", kParent, akLeft | akTop, 15},
    {L"Timer1", Kind::Timer, L"", 0, 0, 0, 0, L"", kParent, akLeft | akTop, -1, 0, forms::coNone,
     &TForm1::Timer1Timer, 0, forms::clBtnFace, 1000},
    {L"Timer2", Kind::Timer, L"", 0, 0, 0, 0, L"", kParent, akLeft | akTop, -1, 0, forms::coNone,
     &TForm1::Timer2Timer, 0, forms::clBtnFace, 1000},
}};

}  // namespace

std::span<const forms::ControlDef<TForm1>> form1Layout() { return kLayout; }
const forms::FormDef& form1Definition() { return kForm1; }

TForm1::TForm1(forms::Component* owner) : forms::Form(owner, kForm1) {
    Form1 = this;
    build(form1Layout());
    Panel1 = find<forms::Panel>(L"Panel1");
    Image1 = find<forms::Image>(L"Image1");
    Panel2 = find<forms::Panel>(L"Panel2");
    rgblabel = find<forms::Label>(L"rgblabel");
    xyLabel = find<forms::Label>(L"xyLabel");
    cbinterpolate = find<forms::CheckBox>(L"cbinterpolate");
    RadioGroup1 = find<forms::GroupBox>(L"RadioGroup1");
    rbx2 = find<forms::RadioButton>(L"rbx2");
    rbx3 = find<forms::RadioButton>(L"rbx3");
    rbx4 = find<forms::RadioButton>(L"rbx4");
    rbx6 = find<forms::RadioButton>(L"rbx6");
    rbx9 = find<forms::RadioButton>(L"rbx9");
    rbx12 = find<forms::RadioButton>(L"rbx12");
    cbontop = find<forms::CheckBox>(L"cbontop");
    Button1 = find<forms::Button>(L"Button1");
    rbx1_5 = find<forms::RadioButton>(L"rbx1_5");
    rbx15 = find<forms::RadioButton>(L"rbx15");
    rbx1 = find<forms::RadioButton>(L"rbx1");
    cursorcheckbox = find<forms::CheckBox>(L"cursorcheckbox");
    colpanel = find<forms::Panel>(L"colpanel");
    invertcb = find<forms::CheckBox>(L"invertcb");
    enhancerb = find<forms::CheckBox>(L"enhancerb");
    Timer1 = find<forms::Timer>(L"Timer1");
    Timer2 = find<forms::Timer>(L"Timer2");

    Image1->onMouseUp = [this](forms::Component* s, int b, forms::ShiftState sh, int x, int y) {
        Image1MouseUp(s, b, sh, x, y);
    };
    onShow = [this](forms::Component* s) { FormShow(s); };
    onResize = [this](forms::Component* s) { FormResize(s); };
    onDestroy = [this](forms::Component* s) { FormDestroy(s); };
    onKeyDown = [this](forms::Component* s, WORD& k, forms::ShiftState sh) { FormKeyDown(s, k, sh); };
    onKeyPress = [this](forms::Component* s, wchar_t& k) { FormKeyPress(s, k); };
    onMouseWheelDown = [this](forms::Component* s, forms::ShiftState sh, POINT p, bool& h) {
        FormMouseWheelDown(s, sh, p, h);
    };
    onMouseWheelUp = [this](forms::Component* s, forms::ShiftState sh, POINT p, bool& h) {
        FormMouseWheelUp(s, sh, p, h);
    };
    onMouseMove = [this](forms::Component* s, forms::ShiftState sh, int x, int y) { FormMouseMove(s, sh, x, y); };

    FormResize(this);  // the first sizing happened before the controls existed
    FormCreate(this);
}

TForm1::~TForm1() {
    destroyHandle();
    if (Form1 == this) Form1 = nullptr;
}

// ----- start-up, resize, shut-down -----

void TForm1::FormCreate(forms::Component*) {
    scaled = false;
    autoScroll = false;
    showHint = true;
    StandardizeFormFont(this, false);
    ReadoutFormat = 1;
    Timer2->setInterval(2);
    try {
        readregistry();
    } catch (...) {
        // A settings value of the wrong type: tell the user, then start with what was read so far.
        forms::application().handleCurrentException();
    }
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    RECT b = boundsRect();
    // Stored bounds that meet no monitor at all would leave the window invisible: treat them as off-screen.
    const bool onNoMonitor = ::MonitorFromRect(&b, MONITOR_DEFAULTTONULL) == nullptr;
    if (isOffScreen(b.left, b.top, sw, sh) || onNoMonitor) {
        setTop(0);
        setLeft(0);
    }
    rgblabel->setCaption(L"");
    xyLabel->setCaption(L"");
    colpanel->setCaption(L"");
    ScreenCanvas = std::make_unique<forms::Canvas>();
    const ZoomStep* step = zoomStepForCode(ZoomCode);
    if (!step) {
        ZoomCode = kDefaultZoomCode;
        step = zoomStepForCode(ZoomCode);
    }
    find<forms::RadioButton>(step->button)->setChecked(true);
    cbontop->setChecked(OnTopFlag);
    cbinterpolate->setChecked(InterpolateFlag);
    cursorcheckbox->setChecked(CursorFlag);
}

void TForm1::FormShow(forms::Component*) {
    if (OnTopFlag) cbontopClick(this);
    Timer2Timer(this);
}

void TForm1::FormResize(forms::Component*) {
    if (!Panel1 || !Image1 || !Panel2 || !Button1 || !xyLabel) return;
    Panel1->setWidth(clientWidth() - 13);
    Panel1->setHeight(Panel2->top() - Panel1->top() - 4);
    Image1->setWidth(Panel1->width() - 15);
    Image1->setHeight(Panel1->height() - 14);
    Image1->picture().setWidth(Image1->width());
    Image1->picture().setHeight(Image1->height());
    Button1->setLeft(Panel1->width() - 7);
    xyLabel->setLeft(Button1->left() - (xyLabel->width() + 10));
}

void TForm1::FormDestroy(forms::Component*) {
    try {
        writeregistry();
    } catch (...) {
        forms::application().handleCurrentException();
    }
    ScreenCanvas.reset();
}

bool TForm1::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_GETMINMAXINFO) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lp);
        info->ptMinTrackSize.x = 150;
        info->ptMinTrackSize.y = 150;
        return false;  // the default handling goes on
    }
    return forms::Form::handleMessage(msg, wp, lp, result);
}

// ----- refresh cycle -----

void TForm1::Timer1Timer(forms::Component*) { GrabBusy = false; }

void TForm1::Timer2Timer(forms::Component*) {
    if (forms::application().minimized()) return;
    POINT p{};
    {
        const forms::PhysicalPixelsScope physical;  // as the desktop DC reads the screen
        ::GetCursorPos(&p);
    }
    if (GrabBusy) return;
    GrabScreen(p.x, p.y);
    Timer1->setInterval(2);
    GrabBusy = true;
}

// ----- zoom and options -----

void TForm1::zoomButtonClicked(forms::RadioButton* button) {
    if (!button->checked()) return;
    if (const ZoomStep* step = zoomStepForTag(button->tag)) ZoomCode = step->zoomCode;
}

void TForm1::rbx1Click(forms::Component*) { zoomButtonClicked(rbx1); }
void TForm1::rbx1_5Click(forms::Component*) { zoomButtonClicked(rbx1_5); }
void TForm1::rbx2Click(forms::Component*) { zoomButtonClicked(rbx2); }
void TForm1::rbx3Click(forms::Component*) { zoomButtonClicked(rbx3); }
void TForm1::rbx4Click(forms::Component*) { zoomButtonClicked(rbx4); }
void TForm1::rbx6Click(forms::Component*) { zoomButtonClicked(rbx6); }
void TForm1::rbx9Click(forms::Component*) { zoomButtonClicked(rbx9); }
void TForm1::rbx12Click(forms::Component*) { zoomButtonClicked(rbx12); }
void TForm1::rbx15Click(forms::Component*) { zoomButtonClicked(rbx15); }

void TForm1::findcheckedtag() {
    for (auto& c : components())
        if (auto* r = dynamic_cast<forms::RadioButton*>(c.get()); r && r->checked()) {
            ZoomTag = r->tag;
            return;
        }
}

void TForm1::checkradiobytag() {
    for (auto& c : components())
        if (auto* r = dynamic_cast<forms::RadioButton*>(c.get()); r && r->tag == ZoomTag) r->setChecked(true);
}

void TForm1::FormMouseWheelDown(forms::Component*, forms::ShiftState, POINT, bool& handled) {
    findcheckedtag();
    if (ZoomTag > 1) {
        --ZoomTag;
        checkradiobytag();
        handled = true;
    }
}

void TForm1::FormMouseWheelUp(forms::Component*, forms::ShiftState, POINT, bool& handled) {
    findcheckedtag();
    if (ZoomTag < 9) {
        ++ZoomTag;
        checkradiobytag();
        handled = true;
    }
}

void TForm1::cbontopClick(forms::Component*) {
    OnTopFlag = cbontop->checked();
    ::SetWindowPos(handle(), OnTopFlag ? HWND_TOPMOST : HWND_NOTOPMOST, left(), top(), width(), height(),
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm1::cbinterpolateClick(forms::Component*) { InterpolateFlag = cbinterpolate->checked(); }
void TForm1::cursorcheckboxClick(forms::Component*) { CursorFlag = cursorcheckbox->checked(); }
void TForm1::rgblabelClick(forms::Component*) { ReadoutFormat = nextReadoutFormat(ReadoutFormat); }

// ----- settings -----

void TForm1::readregistry() {
    RegistryAccess reg;
    if (!reg.openKey(settings::kKeyPath, false)) return;
    auto flag = [&](std::wstring_view name, bool& target) {
        if (auto v = settings::flagFromText(reg.readString(name))) target = *v;
    };
    flag(L"OnTop", OnTopFlag);
    flag(L"Interpolate", InterpolateFlag);
    // Set the box directly: it has no click handler, and the capture reads its state.
    if (auto v = settings::flagFromText(reg.readString(L"InvertColors")))
        ::SendMessageW(invertcb->handle(), BM_SETCHECK, *v ? BST_CHECKED : BST_UNCHECKED, 0);
    flag(L"Cursor", CursorFlag);
    try {
        auto number = [&](std::wstring_view name, auto apply) {
            if (auto v = settings::integerFromText(reg.readString(name))) apply(*v);
        };
        number(L"Left", [&](int v) { setLeft(v); });
        number(L"Top", [&](int v) { setTop(v); });
        number(L"Width", [&](int v) { setWidth(v); });
        number(L"Height", [&](int v) { setHeight(v); });
        number(L"Magnification", [&](int v) { ZoomCode = v; });
    } catch (const forms::EConvertError&) {
        // A value that is not a number ends the group quietly; what was applied stays.
    }
}

void TForm1::writeregistry() {
    RegistryAccess reg;
    if (!reg.openKey(settings::kKeyPath, true)) return;
    const RECT b = boundsRect();
    reg.writeString(L"OnTop", settings::flagText(OnTopFlag));
    reg.writeString(L"Interpolate", settings::flagText(InterpolateFlag));
    reg.writeString(L"InvertColors", settings::flagText(invertcb->checked()));
    reg.writeString(L"Cursor", settings::flagText(CursorFlag));
    reg.writeString(L"Left", settings::integerText(b.left));
    reg.writeString(L"Top", settings::integerText(b.top));
    reg.writeString(L"Width", settings::integerText(b.right - b.left));
    reg.writeString(L"Height", settings::integerText(b.bottom - b.top));
    reg.writeString(L"Magnification", settings::integerText(ZoomCode));
}

}  // namespace ocellus

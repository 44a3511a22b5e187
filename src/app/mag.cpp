#include "app/mag.h"

#include <array>
#include <optional>

#include "app/mag_rules.h"
#include "app/registry.h"
#include "app/settings_rules.h"
#include "base/exception.h"
#include "forms/application.h"
#include "mylib/ustandardizefonts.h"
#include "win32/monitor.h"
#include "win32/physicalpixels.h"
#include "win32/rect.h"

namespace ocellus {

std::int32_t ZoomCode = kDefaultZoomCode;
std::int32_t ZoomTag = 0;
std::int32_t ReadoutFormat = 1;
bool OnTopFlag = false, InterpolateFlag = false, CursorFlag = false;
bool GrabBusy = false;
std::unique_ptr<win32::Canvas> ScreenCanvas;
TForm1* Form1 = nullptr;

namespace {

using forms::akBottom;
using forms::akRight;
using forms::handler;
using forms::member;
using Row = forms::ControlRow;

constexpr win32::FontDef kButton1Font{L"MS Sans Serif", -10, win32::fsBold, win32::clWindowText};

constexpr forms::FormDef kForm1{
    .className = L"TForm1",
    .name = L"Form1",
    .caption = L"Ocellus",
    .clientWidth = 600,
    .clientHeight = 430,
    .font = {L"Tahoma", -10, 0, win32::clWindowText},
    .border = forms::BorderStyle::Sizeable,
    .minimizeBox = true,
    .maximizeBox = false,
    .position = forms::Position::DefaultPosOnly,
    .keyPreview = true,
    .onCreate = handler<&TForm1::FormCreate>,
    .onShow = handler<&TForm1::FormShow>,
    .onResize = handler<&TForm1::FormResize>,
    .onDestroy = handler<&TForm1::FormDestroy>,
    .onKeyDown = handler<&TForm1::FormKeyDown>,
    .onKeyPress = handler<&TForm1::FormKeyPress>,
    .onMouseWheelDown = handler<&TForm1::FormMouseWheelDown>,
    .onMouseWheelUp = handler<&TForm1::FormMouseWheelUp>,
    .onMouseMove = handler<&TForm1::FormMouseMove>,
};

constexpr std::array<Row, 13> kFixedRows{{
    {.name = L"Panel1", .make = member<&TForm1::Panel1>, .bounds = {6, 7, 426, 260}, .tabOrder = 0},
    {.name = L"Image1", .make = member<&TForm1::Image1>, .parent = L"Panel1", .bounds = {6, 7, 414, 247},
     .onMouseUp = handler<&TForm1::Image1MouseUp>},
    {.name = L"Panel2", .make = member<&TForm1::Panel2>, .bounds = {0, 381, 600, 49}, .dock = forms::Dock::Bottom,
     .tabOrder = 1},
    {.name = L"rgblabel", .make = member<&TForm1::rgblabel>, .parent = L"Panel2", .bounds = {91, 34, 36, 12},
     .caption = L"rgblabel", .onClick = handler<&TForm1::rgblabelClick>},
    {.name = L"xyLabel", .make = member<&TForm1::xyLabel>, .parent = L"Panel2", .bounds = {342, 34, 65, 13},
     .caption = L"xyLabel", .anchors = akRight | akBottom, .autoSize = false, .alignment = forms::TextAlign::Right},
    {.name = L"cbinterpolate", .make = member<&TForm1::cbinterpolate>, .parent = L"Panel2",
     .bounds = {11, 17, 68, 14}, .caption = L"&Interpolate", .tabOrder = 1,
     .onClick = handler<&TForm1::cbinterpolateClick>},
    {.name = L"RadioGroup1", .make = member<&TForm1::RadioGroup1>, .parent = L"Panel2", .bounds = {91, 2, 344, 33},
     .caption = L"Zoom ", .tabOrder = 2},
    {.name = L"cbontop", .make = member<&TForm1::cbontop>, .parent = L"Panel2", .bounds = {11, 3, 78, 14},
     .caption = L"&Stay on top", .tabOrder = 0, .onClick = handler<&TForm1::cbontopClick>},
    {.name = L"Button1", .make = member<&TForm1::Button1>, .parent = L"Panel2", .bounds = {420, 33, 14, 17},
     .caption = L"?", .font = kButton1Font, .tabOrder = 16, .onClick = handler<&TForm1::Button1Click>},
    {.name = L"cursorcheckbox", .make = member<&TForm1::cursorcheckbox>, .parent = L"Panel2",
     .bounds = {11, 31, 78, 13}, .caption = L"Show cursor", .tabOrder = 12,
     .onClick = handler<&TForm1::cursorcheckboxClick>},
    {.name = L"colpanel", .make = member<&TForm1::colpanel>, .parent = L"Panel2", .bounds = {189, 35, 26, 13},
     .caption = L"colpanel", .tabOrder = 14, .color = win32::clBackground},
    {.name = L"invertcb", .make = member<&TForm1::invertcb>, .parent = L"Panel2", .bounds = {236, 34, 70, 15},
     .caption = L"Invert cols", .tabOrder = 13},
    {.name = L"enhancerb", .make = member<&TForm1::enhancerb>, .parent = L"Panel2", .bounds = {309, 34, 65, 15},
     .caption = L"Enhance", .tabOrder = 15},
}};

// The zoom buttons' members, in the zoom table's order; the buttons tab between the group and the
// cursor box.
constexpr std::array<forms::Maker, kZoomSteps.size()> kZoomMembers{
    member<&TForm1::rbx1>, member<&TForm1::rbx1_5>, member<&TForm1::rbx2>,  member<&TForm1::rbx3>,
    member<&TForm1::rbx4>, member<&TForm1::rbx6>,   member<&TForm1::rbx9>,  member<&TForm1::rbx12>,
    member<&TForm1::rbx15>};
constexpr int kFirstZoomTabOrder = 3;

constexpr auto kLayout = [] {
    std::array<Row, kFixedRows.size() + kZoomSteps.size()> rows{};
    std::size_t n = 0;
    for (const Row& row : kFixedRows) rows[n++] = row;
    for (std::size_t i = 0; i < kZoomSteps.size(); ++i) {
        const ZoomStep& z = kZoomSteps[i];
        rows[n++] = {.name = z.button, .make = kZoomMembers[i], .parent = L"Panel2",
                     .bounds = {z.left, 15, z.width, 14}, .caption = z.caption,
                     .tabOrder = kFirstZoomTabOrder + static_cast<int>(i), .tag = z.tag,
                     .onClick = handler<&TForm1::zoomButtonClick>};
    }
    return rows;
}();

// The refresh cycle: Timer2 captures unless GrabBusy, and a capture sets GrabBusy; Timer1 clears it.
// Both tick at 1000 ms, as every timer does from the moment it is made, until FormCreate sets Timer2 to
// kRefreshMs and the first capture sets Timer1 to it.
constexpr unsigned kRefreshMs = 2;
constexpr std::array<forms::TimerRow, 2> kTimers{{
    {.name = L"Timer1", .make = member<&TForm1::Timer1>, .interval = 1000, .onTimer = handler<&TForm1::Timer1Timer>},
    {.name = L"Timer2", .make = member<&TForm1::Timer2>, .interval = 1000, .onTimer = handler<&TForm1::Timer2Timer>},
}};

}  // namespace

TForm1::TForm1(forms::Component* owner) : forms::Form(owner) {
    Form1 = this;  // before anything runs, so code running meanwhile can refer to it
    create(kForm1, kLayout, kTimers);
}

TForm1::~TForm1() {
    if (Form1 == this) Form1 = nullptr;
}

// ----- start-up, resize, shut-down -----

void TForm1::FormCreate(forms::Component*) {
    scaled = false;
    autoScroll = false;
    showHint = true;
    StandardizeFormFont(this, false);
    ReadoutFormat = 1;
    Timer2->setInterval(kRefreshMs);
    try {
        readregistry();
    } catch (...) {
        // A settings value of the wrong type: tell the user, then start with what was read so far.
        forms::application().handleCurrentException();
    }
    // Measured against the monitor the window meets most, in the physical pixels the monitors are kept
    // in; stored bounds that meet none would leave the window invisible.
    RECT b{};
    std::optional<RECT> m;
    {
        const win32::PhysicalPixelsScope physical;
        ::GetWindowRect(handle(), &b);
        m = win32::monitorMeeting(b);
    }
    // One move: a density change on the way must not leave the window between two placements.
    if (!m || isOffScreen(b.left, b.top, win32::toIntRect(*m))) setBounds(0, 0, width(), height());
    rgblabel->setCaption(L"");
    xyLabel->setCaption(L"");
    colpanel->setCaption(L"");
    ScreenCanvas = std::make_unique<win32::Canvas>();
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
    // The monitors a capture picks from are kept; any of these may have moved or resized one.
    if (msg == WM_DISPLAYCHANGE || msg == WM_DPICHANGED || (msg == WM_SETTINGCHANGE && wp == SPI_SETWORKAREA))
        win32::monitorsChanged();
    if (msg == WM_QUERYENDSESSION) {
        result = TRUE;
        return true;
    }
    if (msg == WM_ENDSESSION) {
        // The system ends the process without destroying any window, so the save at destruction would
        // never run. Nobody is there to read an error box, and one would hold up the session's end.
        if (wp && !sessionSaved_) {
            sessionSaved_ = true;
            try {
                writeregistry();
            } catch (...) {
            }
        }
        result = 0;
        return true;
    }
    return forms::Form::handleMessage(msg, wp, lp, result);
}

// ----- refresh cycle (see kTimers) -----

// The next capture waits for this tick. Timer messages come after every other message, paints and
// input included, so those go between two captures.
void TForm1::Timer1Timer(forms::Component*) { GrabBusy = false; }

void TForm1::Timer2Timer(forms::Component*) {
    if (forms::application().minimized()) return;
    POINT p{};
    bool pointerRead = false;
    {
        const win32::PhysicalPixelsScope physical;  // as the desktop DC reads the screen
        pointerRead = ::GetCursorPos(&p) != FALSE;
    }
    // While another desktop has the input (locked screen, elevation prompt) there is no pointer to
    // follow: what is on show stays until it can be read again.
    if (!pointerRead || GrabBusy) return;
    // What a capture changed is painted here, in one pass over the windows, rather than one window
    // per trip through the message loop: the same paints with fewer requests to the Wine server.
    if (GrabScreen(p.x, p.y)) ::UpdateWindow(handle());
    // The first capture changes Timer1 from its first 1000 ms to the refresh rate; later ones set the same.
    const bool firstCapture = Timer1->interval() != kRefreshMs;
    Timer1->setInterval(kRefreshMs);
    // Restarted with it, this timer ticks in the same wake-up of the program as Timer1, not in one of its
    // own: under Wine a wake-up costs about as much as the screen read.
    if (firstCapture) Timer2->restart();
    GrabBusy = true;
}

// ----- zoom and options -----

void TForm1::zoomButtonClick(forms::Component* sender) {
    auto* button = dynamic_cast<forms::RadioButton*>(sender);
    if (!button || !button->checked()) return;
    if (const ZoomStep* step = zoomStepForTag(button->tag)) ZoomCode = step->zoomCode;
}

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
    if (ZoomTag > kZoomSteps.front().tag) {
        --ZoomTag;
        checkradiobytag();
        handled = true;
    }
}

void TForm1::FormMouseWheelUp(forms::Component*, forms::ShiftState, POINT, bool& handled) {
    findcheckedtag();
    if (ZoomTag < kZoomSteps.back().tag) {
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
    // The box itself holds the setting: it has no click handler, and the capture reads its state.
    if (auto v = settings::flagFromText(reg.readString(L"InvertColors"))) invertcb->setChecked(*v);
    flag(L"Cursor", CursorFlag);
    // The bounds read go on in one move, however the group ends: moved edge by edge, the window could
    // pass a monitor of another density on the way and be resized there.
    const RECT b = boundsRect();
    const std::array<int, 4> before{b.left, b.top, b.right - b.left, b.bottom - b.top};
    std::array<int, 4> stored = before;
    auto place = [&] {
        if (stored != before) setBounds(stored[0], stored[1], stored[2], stored[3]);
    };
    try {
        auto number = [&](std::wstring_view name, auto apply) {
            if (auto v = settings::integerFromText(reg.readString(name))) apply(*v);
        };
        number(L"Left", [&](int v) { stored[0] = v; });
        number(L"Top", [&](int v) { stored[1] = v; });
        number(L"Width", [&](int v) { stored[2] = v; });
        number(L"Height", [&](int v) { stored[3] = v; });
        number(L"Magnification", [&](int v) { ZoomCode = v; });
    } catch (const EConvertError&) {
        // A value that is not a number ends the group quietly; what was read before it stays.
    } catch (...) {
        place();
        throw;
    }
    place();
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

#include "about/about.h"

#include <shlwapi.h>
#include <uxtheme.h>

#include <array>
#include <cstddef>
#include <span>
#include <string>

#include "forms/application.h"
#include "forms/seams.h"

namespace ocellus {

TAboutForm* AboutForm = nullptr;

namespace {

using forms::akLeft;
using forms::akTop;
using forms::Kind;
using Def = forms::ControlDef<TAboutForm>;

// "a" + " " + "b" at compile time, zero-terminated.
template <std::size_t A, std::size_t B>
constexpr std::array<wchar_t, A + B> spaced(const wchar_t (&a)[A], const wchar_t (&b)[B]) {
    std::array<wchar_t, A + B> out{};
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < A; ++i) out[n++] = a[i];
    out[n++] = L' ';
    for (std::size_t i = 0; i + 1 < B; ++i) out[n++] = b[i];
    return out;
}

template <std::size_t N>
constexpr std::wstring_view textOf(const std::array<wchar_t, N>& s) {
    return {s.data(), N - 1};
}

// The maker's own values, until the project has a public home.
constexpr wchar_t kAuthor[] = L"Tarnwick Software";
constexpr auto kAuthorLine = spaced(L"Freeware by", kAuthor);
constexpr auto kNotice = spaced(L"\u00A9 2024\u20132026", kAuthor);
constexpr std::wstring_view kSoftwarePage = L"https://ocellus.example.org/";
constexpr std::wstring_view kHomePage = L"https://www.example.org/";
constexpr std::wstring_view kEmail = L"ocellus@example.org";
constexpr std::wstring_view kEmailSubject = L"Ocellus";

constexpr std::wstring_view kHelpText =
    L"Resize the window to the size you want. by dragging its corners or edges.\r\r"
    L"Use interpolation to create higher quality images.  The extra processing required will take time.\r\r"
    L"Ctrl-C to copy the magnified image to the clipboard, or Ctrl-U to copy the unmagnified image.\r\r"
    L"Ctrl-P to copy the pixel colour code (at the bottom) to the clipboard.\r\r"
    L"Click on the pixel colour number (at the bottom) to switch it between RGB, hexadecimal, and TColor formats.";

constexpr forms::FormDef kAbout{
    .className = L"TAboutForm",
    .name = L"AboutForm",
    .caption = L"About this program",
    .clientWidth = 340,
    .clientHeight = 283,
    .font = {L"MS Sans Serif", -13, 0, forms::clWindowText},
    .border = forms::BorderStyle::Dialog,
    .minimizeBox = false,
    .maximizeBox = false,
    .position = forms::Position::ScreenCenter,
};

constexpr forms::FontDef kParent{};
constexpr forms::FontDef kHeading{L"MS Sans Serif", -15, forms::fsBold, forms::clGreen};
constexpr forms::FontDef kTitle{L"Arial", -23, 0, forms::clBlue};
constexpr forms::FontDef kText{L"Tahoma", -13, 0, forms::clWindowText};
constexpr forms::FontDef kLink{L"Tahoma", -13, 0, 12482872};
constexpr forms::ControlOptions kCentred = forms::coFixedSize | forms::coAlignCenter;

// Created in this order, with the link labels between the texts and the buttons.
constexpr std::array<Def, 8> kTexts{{
    {L"Bevel1", Kind::Bevel, L"", -12, 229, 336, 20, L"", kParent},
    {L"Label10", Kind::Label, L"", 117, 102, 105, 16, L"Software page:", kHeading},
    {L"Label11", Kind::Label, L"", 148, 179, 44, 16, L"Email:", kHeading},
    {L"Label5", Kind::Label, L"", 58, 10, 216, 26, L"- OCELLUS -", kTitle},
    {L"Label6", Kind::Label, L"", 91, 52, 151, 16, textOf(kAuthorLine), kText},
    {L"Label7", Kind::Label, L"", 40, 67, 257, 16, textOf(kNotice), kText, akLeft | akTop, -1, 0, kCentred},
    {L"Label1", Kind::Label, L"", 109, 142, 122, 16, L"Philosophy page:", kHeading},
    {L"versionlabel", Kind::Label, L"", 112, 36, 113, 16, L"v1.2", kText, akLeft | akTop, -1, 0, kCentred},
}};

constexpr std::array<Def, 2> kButtons{{
    {L"OKButton", Kind::Button, L"", 205, 242, 92, 31, L"OK", kText, akLeft | akTop, 0, 0,
     forms::coDefault | forms::coCancel, &TAboutForm::OKButtonClick, 1},
    {L"Button1", Kind::Button, L"", 48, 240, 92, 31, L"&Help", kText, akLeft | akTop, 1, 0, forms::coNone,
     &TAboutForm::Button1Click},
}};

// The link labels, placed like the controls above; fixed size, text centred.
struct LinkDef {
    std::wstring_view name;
    int left, top, width, height;
    std::wstring_view caption, url, email, subject;
    int tabOrder;
};

constexpr std::array<LinkDef, 3> kLinks{{
    {L"URLLabel1", 67, 118, 200, 17, kSoftwarePage, kSoftwarePage, L"", L"", 2},
    {L"URLLabel2", 67, 158, 200, 16, kHomePage, kHomePage, L"", L"", 3},
    {L"URLLabel3", 67, 193, 200, 17, kEmail, L"", kEmail, kEmailSubject, 4},
}};

TURLLabel& addLink(forms::Form& form, const LinkDef& d) {
    auto& l = form.add<TURLLabel>(&form);
    l.name.assign(d.name);
    l.setBounds(d.left, d.top, d.width, d.height);
    l.autoSize = false;
    l.alignment = forms::Alignment::Center;
    l.font().assign(kLink);
    l.tabOrder = d.tabOrder;
    l.setColorChange(true);
    l.setHighlightFontColor(forms::clRed);
    l.setCaption(d.caption);
    l.setURL(d.url);
    l.setEmailAddress(d.email);
    l.setEmailSubject(d.subject);
    l.createHandle();
    return l;
}


DWORD windowsMajorVersion() {
    // RtlGetVersion reports the true version whatever the manifest declares.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    auto fn = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
                    : nullptr;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (fn && fn(&info) == 0) return info.dwMajorVersion;
    return 0;
}

bool commonControlsSixInUse() {
    // The module this process uses; with the manifest that is version 6 from the side-by-side store.
    HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll");
    if (!comctl) return false;
    auto fn = reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(::GetProcAddress(comctl, "DllGetVersion")));
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    if (fn && SUCCEEDED(fn(&info)) && info.dwMajorVersion >= 6) return true;
    // Some builds of version 6 report 5.81; the task dialog exists only from version 6 on.
    return ::GetProcAddress(comctl, "TaskDialogIndirect") != nullptr;
}

}  // namespace

TAboutForm::TAboutForm(forms::Component* owner) : forms::Form(owner, kAbout) {
    build(std::span<const Def>(kTexts));
    URLLabel1 = &addLink(*this, kLinks[0]);
    URLLabel2 = &addLink(*this, kLinks[1]);
    URLLabel3 = &addLink(*this, kLinks[2]);
    build(std::span<const Def>(kButtons));
    OKButton = find<forms::Button>(L"OKButton");
    Bevel1 = find<forms::Bevel>(L"Bevel1");
    Label10 = find<forms::Label>(L"Label10");
    Label11 = find<forms::Label>(L"Label11");
    Label5 = find<forms::Label>(L"Label5");
    Label6 = find<forms::Label>(L"Label6");
    Label7 = find<forms::Label>(L"Label7");
    Label1 = find<forms::Label>(L"Label1");
    Button1 = find<forms::Button>(L"Button1");
    versionlabel = find<forms::Label>(L"versionlabel");
    onActivate = [this](forms::Component* s) { FormActivate(s); };
}

TAboutForm::~TAboutForm() {
    destroyHandle();
    if (AboutForm == this) AboutForm = nullptr;
}

void TAboutForm::FormActivate(forms::Component*) { versionlabel->setCaption(L"v1.6"); }

void TAboutForm::OKButtonClick(forms::Component*) {
    if (isModal()) modalResult = OKButton->modalResult;  // ends showModal's loop
    else close();
}

void TAboutForm::Button1Click(forms::Component*) { ShowInfoMessage(kHelpText, L""); }

bool UseTaskDialogs() {
    if (windowsMajorVersion() < 6) return false;
    return ::IsAppThemed() && ::IsThemeActive() && commonControlsSixInUse();
}

void ShowInfoMessage(std::wstring_view message, std::wstring_view caption) {
    const std::wstring title(caption.empty() ? std::wstring_view(forms::application().title) : caption);
    const std::wstring text(message);
    // The task dialog sits over the About dialog; should the system refuse it, the plain box still tells.
    if (UseTaskDialogs() && forms::seams().taskDialog(::GetActiveWindow(), title.c_str(), text.c_str())) return;
    forms::seams().messageBox(nullptr, text.c_str(), title.c_str(), 0);
}

}  // namespace ocellus

#include "about/about.h"

#include <shlwapi.h>
#include <uxtheme.h>

#include <array>
#include <cstddef>
#include <string>

#include "forms/application.h"
#include "win32/seams.h"
#include "win32/systemfunction.h"

namespace ocellus {

TAboutForm* AboutForm = nullptr;

namespace {

using forms::handler;
using forms::member;
using Row = forms::ControlRow;

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
    .font = {L"MS Sans Serif", -13, 0, win32::clWindowText},
    .border = forms::BorderStyle::Dialog,
    .minimizeBox = false,
    .maximizeBox = false,
    .position = forms::Position::ScreenCenter,
    .onActivate = handler<&TAboutForm::FormActivate>,
};

constexpr win32::FontDef kHeading{L"MS Sans Serif", -15, win32::fsBold, win32::clGreen};
constexpr win32::FontDef kTitle{L"Arial", -23, 0, win32::clBlue};
constexpr win32::FontDef kText{L"Tahoma", -13, 0, win32::clWindowText};
constexpr win32::FontDef kLink{L"Tahoma", -13, 0, kLinkColor};

// Fixed size, text centred.
constexpr Row centred(Row row) {
    row.autoSize = false;
    row.alignment = forms::TextAlign::Center;
    return row;
}

// Made in this order: the texts, the links, the buttons.
constexpr std::array<Row, 13> kLayout{{
    {.name = L"Bevel1", .make = member<&TAboutForm::Bevel1>, .bounds = {-12, 229, 336, 20}},
    {.name = L"Label10", .make = member<&TAboutForm::Label10>, .bounds = {117, 102, 105, 16},
     .caption = L"Software page:", .font = kHeading},
    {.name = L"Label11", .make = member<&TAboutForm::Label11>, .bounds = {148, 179, 44, 16}, .caption = L"Email:",
     .font = kHeading},
    {.name = L"Label5", .make = member<&TAboutForm::Label5>, .bounds = {58, 10, 216, 26}, .caption = L"- OCELLUS -",
     .font = kTitle},
    {.name = L"Label6", .make = member<&TAboutForm::Label6>, .bounds = {91, 52, 151, 16},
     .caption = textOf(kAuthorLine), .font = kText},
    centred({.name = L"Label7", .make = member<&TAboutForm::Label7>, .bounds = {40, 67, 257, 16},
             .caption = textOf(kNotice), .font = kText}),
    {.name = L"Label1", .make = member<&TAboutForm::Label1>, .bounds = {109, 142, 122, 16},
     .caption = L"Philosophy page:", .font = kHeading},
    centred({.name = L"versionlabel", .make = member<&TAboutForm::versionlabel>, .bounds = {112, 36, 113, 16},
             .caption = L"v1.2", .font = kText}),
    centred({.name = L"URLLabel1", .make = member<&TAboutForm::URLLabel1>, .bounds = {67, 118, 200, 17},
             .caption = kSoftwarePage, .font = kLink, .tabOrder = 2}),
    centred({.name = L"URLLabel2", .make = member<&TAboutForm::URLLabel2>, .bounds = {67, 158, 200, 16},
             .caption = kHomePage, .font = kLink, .tabOrder = 3}),
    centred({.name = L"URLLabel3", .make = member<&TAboutForm::URLLabel3>, .bounds = {67, 193, 200, 17},
             .caption = kEmail, .font = kLink, .tabOrder = 4}),
    {.name = L"OKButton", .make = member<&TAboutForm::OKButton>, .bounds = {205, 242, 92, 31}, .caption = L"OK",
     .font = kText, .tabOrder = 0, .onClick = handler<&TAboutForm::OKButtonClick>, .isDefault = true,
     .isCancel = true, .modalResult = forms::mrOk},
    {.name = L"Button1", .make = member<&TAboutForm::Button1>, .bounds = {48, 240, 92, 31}, .caption = L"&Help",
     .font = kText, .tabOrder = 1, .onClick = handler<&TAboutForm::Button1Click>},
}};

DWORD windowsMajorVersion() {
    // RtlGetVersion reports the true version whatever the manifest declares.
    const auto fn = win32::bound(win32::sys::RtlGetVersion);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (fn && fn(&info) == 0) return info.dwMajorVersion;
    return 0;
}

bool commonControlsSixInUse() {
    // The module this process uses; with the manifest that is version 6 from the side-by-side store.
    const auto fn = win32::bound(win32::sys::DllGetVersion);
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    if (fn && SUCCEEDED(fn(&info)) && info.dwMajorVersion >= 6) return true;
    // Some builds of version 6 report 5.81; the task dialog exists only from version 6 on.
    return win32::bound(win32::sys::TaskDialogIndirect) != nullptr;
}

}  // namespace

TAboutForm::TAboutForm(forms::Component* owner) : forms::Form(owner) {
    create(kAbout, kLayout);
    URLLabel1->setURL(kSoftwarePage);
    URLLabel2->setURL(kHomePage);
    URLLabel3->setEmailAddress(kEmail);
    URLLabel3->setEmailSubject(kEmailSubject);
}

TAboutForm::~TAboutForm() {
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
    if (UseTaskDialogs() && win32::seams().taskDialog(::GetActiveWindow(), title.c_str(), text.c_str())) return;
    // Owned by the modal form it is raised from, which would otherwise take clicks (another Help, or
    // OK ending the form's loop) behind it.
    const forms::Form* modal = forms::application().modalForm();
    win32::seams().messageBox(modal ? modal->handle() : nullptr, text.c_str(), title.c_str(), 0);
}

}  // namespace ocellus

#include "forms/application.h"

#include "base/exception.h"
#include "forms/form.h"
#include "forms/timer.h"
#include "win32/seams.h"
#include "win32/windowclass.h"

namespace forms {
namespace {

constexpr wchar_t kUtilityClass[] = L"OcellusApplication";

LRESULT CALLBACK utilityProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER) {
        Timer::deliver(wp);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

bool isKeyMessage(UINT m) { return m == WM_KEYDOWN || m == WM_SYSKEYDOWN || m == WM_CHAR || m == WM_SYSCHAR; }

std::wstring widen(const char* s) {
    std::wstring w;
    for (; s && *s; ++s) w.push_back(static_cast<unsigned char>(*s));
    return w;
}

}  // namespace

Application& application() {
    static Application app;
    return app;
}

HWND Application::utilityWindow() {
    if (!utility_ || !::IsWindow(utility_)) {
        win32::registerWindowClass(kUtilityClass, utilityProc, false);
        utility_ = ::CreateWindowExW(0, kUtilityClass, title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr);
    }
    return utility_;
}

HWND Application::handle() const { return const_cast<Application*>(this)->utilityWindow(); }

bool Application::minimized() const { return mainForm && mainForm->handle() && ::IsIconic(mainForm->handle()); }

void Application::setMainForm(Form* form) {
    mainForm = form;
    if (form) terminated_ = false;
}

void Application::terminate() {
    if (terminated_) return;
    terminated_ = true;
    ::PostQuitMessage(0);
}

void Application::dispatch(MSG& msg) {
    if (isKeyMessage(msg.message)) {
        const HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
        if (auto* form = dynamic_cast<Form*>(Control::fromHandle(root))) {
            if (form->previewKey(msg)) return;
            // A key handler may have destroyed the form, and the window the key was for with it.
            if (Control::fromHandle(root) != form) return;
            if (::IsDialogMessageW(root, &msg)) return;
        }
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

void Application::run() {
    if (mainForm) mainForm->show();
    MSG msg;
    while (!terminated_ && ::GetMessageW(&msg, nullptr, 0, 0) > 0) dispatch(msg);
    terminated_ = true;
}

void Application::processMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminate();
            break;
        }
        dispatch(msg);
    }
}

// Only a shown form: a hidden one takes no input anyway, and a box it owned would have no taskbar
// button of its own. Nor a disabled one: a modal form's owner waits for it, and so does the box.
HWND Application::errorBoxOwner(HWND source) const {
    for (HWND form : {source ? ::GetAncestor(source, GA_ROOT) : nullptr, modalForm_ ? modalForm_->handle() : nullptr,
                      mainForm ? mainForm->handle() : nullptr})
        if (form && ::IsWindowVisible(form) && ::IsWindowEnabled(form)) return form;
    return nullptr;
}

void Application::showException(const std::exception& e, HWND source) {
    if (errorBoxOpen_) return;
    std::wstring text;
    if (auto* fe = dynamic_cast<const ocellus::Exception*>(&e)) text = fe->message();
    else text = widen(e.what());
    struct BoxOpen {
        bool& flag;
        explicit BoxOpen(bool& f) : flag(f) { flag = true; }
        ~BoxOpen() { flag = false; }
    } const boxOpen(errorBoxOpen_);
    win32::seams().messageBox(errorBoxOwner(source), ocellus::errorBoxText(text).c_str(), title.c_str(),
                              MB_OK | MB_ICONERROR);
}

void Application::handleCurrentException(HWND source) {
    try {
        throw;
    } catch (const std::exception& e) {
        showException(e, source);
    } catch (...) {
        showException(ocellus::Exception(L"Unknown error"), source);
    }
}

}  // namespace forms

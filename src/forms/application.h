// The application object: title, main form, message loop with key preview, error box.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace forms {

class Form;

class Application {
public:
    std::wstring title = L"";
    // Closing it ends the run. Form::create makes the first form created the main form.
    Form* mainForm = nullptr;
    // A new main form starts a new run: an earlier terminate request no longer holds.
    void setMainForm(Form* form);

    // Runs the message loop until terminate() or the main form closes; shows the main form first.
    void run();
    void terminate();
    bool terminated() const noexcept { return terminated_; }
    // One pass over the waiting messages.
    void processMessages();
    // Dispatches one message through key preview and dialog navigation.
    void dispatch(MSG& msg);

    // The standard error box for an error that escaped a handler; the program then goes on. The box
    // is owned by the first shown and enabled of: the source window's form, the modal form, the main
    // form. One
    // box at a time: an error raised while one is open is not shown (a handler failing at every timer
    // tick would otherwise stack boxes until the stack runs out).
    void showException(const std::exception& e, HWND source = nullptr);
    void handleCurrentException(HWND source = nullptr);

    // The innermost form running showModal, or null: boxes raised from it belong to it.
    Form* modalForm() const noexcept { return modalForm_; }

    bool minimized() const;
    HWND handle() const;  // the window that owns the clipboard and the shell's dialogs
    // A hidden window that receives timer ticks.
    HWND utilityWindow();

private:
    friend class Form;  // showModal keeps modalForm_
    HWND errorBoxOwner(HWND source) const;

    bool terminated_ = false;
    bool errorBoxOpen_ = false;
    Form* modalForm_ = nullptr;
    HWND utility_ = nullptr;
};

Application& application();

// Runs f; an error escaping it gets the standard error box (see showException for source), and the
// result is false.
template <class F>
bool guarded(F&& f, HWND source = nullptr) noexcept {
    try {
        f();
        return true;
    } catch (...) {
        application().handleCurrentException(source);
        return false;
    }
}

}  // namespace forms

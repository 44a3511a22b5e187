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
    // The first form created; closing it ends the run.
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

    // The standard error box for an error that escaped a handler; the program then goes on.
    void showException(const std::exception& e);
    void handleCurrentException();

    bool minimized() const;
    HWND handle() const;  // the window that owns the clipboard and the shell's dialogs
    // A hidden window that receives timer ticks.
    HWND utilityWindow();

private:
    bool terminated_ = false;
    HWND utility_ = nullptr;
};

Application& application();

// Runs f; an error escaping it gets the standard error box, and the result is false.
template <class F>
bool guarded(F&& f) noexcept {
    try {
        f();
        return true;
    } catch (...) {
        application().handleCurrentException();
        return false;
    }
}

// The system's text for an error code as FormatMessageW gives it (line break included), or
// "Error <code>" when it has none.
std::wstring systemErrorText(DWORD code);

}  // namespace forms

// A periodic timer whose ticks arrive on the GUI thread, through the message loop.
#pragma once

#include <windows.h>

#include "forms/window.h"

namespace forms {

// A timer runs from the moment it is made, at kDefaultTimerInterval until another is set; Form::build
// sets a row's own at once.
inline constexpr unsigned kDefaultTimerInterval = 1000;  // milliseconds

class Timer : public Component {
public:
    explicit Timer(Component* owner);
    ~Timer() override;
    unsigned interval() const noexcept { return interval_; }
    void setInterval(unsigned ms);  // the same value again does nothing
    void setEnabled(bool on);
    // Starts the period afresh from now.
    void restart();
    Notify onTimer;
    // Hands a WM_TIMER of the application's utility window to the timer it belongs to; an error its
    // handler lets escape gets the error box.
    static void deliver(UINT_PTR id) noexcept;

private:
    unsigned interval_ = kDefaultTimerInterval;
    bool enabled_ = true;
    UINT_PTR id_;
};

}  // namespace forms

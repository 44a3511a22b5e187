#include "forms/timer.h"

#include <map>

#include "forms/application.h"

namespace forms {
namespace {

std::map<UINT_PTR, Timer*>& timers() {
    static std::map<UINT_PTR, Timer*> map;
    return map;
}

}  // namespace

Timer::Timer(Component* owner) : Component(owner) {
    static UINT_PTR nextId = 1;
    id_ = nextId++;
    timers()[id_] = this;
    restart();
}

Timer::~Timer() {
    ::KillTimer(application().utilityWindow(), id_);
    timers().erase(id_);
}

void Timer::setInterval(unsigned ms) {
    if (ms == interval_) return;
    interval_ = ms;
    restart();
}

void Timer::setEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    restart();
}

void Timer::restart() {
    HWND w = application().utilityWindow();
    ::KillTimer(w, id_);
    if (enabled_ && interval_ > 0) ::SetTimer(w, id_, interval_, nullptr);
}

void Timer::deliver(UINT_PTR id) {
    auto it = timers().find(id);
    if (it != timers().end() && it->second->onTimer) it->second->onTimer(it->second);
}

}  // namespace forms

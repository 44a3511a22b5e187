#include "forms/timer.h"

#include <map>

#include "forms/application.h"
#include "forms/form.h"

namespace forms {
namespace {

std::map<UINT_PTR, Timer*>& timers() {
    static std::map<UINT_PTR, Timer*> map;
    return map;
}

// The window of the form that owns the timer, directly or through other components: where its
// handler's errors are shown.
HWND formWindowOf(const Component& c) {
    for (Component* o = c.owner(); o; o = o->owner())
        if (auto* form = dynamic_cast<Form*>(o)) return form->handle();
    return nullptr;
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

void Timer::deliver(UINT_PTR id) noexcept {
    auto it = timers().find(id);
    if (it == timers().end() || !it->second->onTimer) return;
    Timer* timer = it->second;
    guarded([timer] { timer->onTimer(timer); }, formWindowOf(*timer));
}

}  // namespace forms

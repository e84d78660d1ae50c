#include "timer.h"

#include "application.h"

namespace velmora::runtime {

Timer::Timer(HWND form, UINT_PTR id, UINT interval, bool enabled)
    : form_(form), id_(id), interval_(interval), enabled_(enabled) {
    apply();
}

void Timer::setInterval(UINT milliseconds) {
    interval_ = milliseconds;
    apply();
}

void Timer::setEnabled(bool enabled) {
    enabled_ = enabled;
    apply();
}

void Timer::apply() {
    if (enabled_ && interval_ > 0) {
        SetTimer(form_, id_, interval_, nullptr);
    } else {
        KillTimer(form_, id_);
    }
}

void Timer::tick(const std::function<void()>& handler) {
    if (ticking_ || !handler) return;
    ticking_ = true;
    runEventHandler(handler);
    ticking_ = false;
}

}  // namespace velmora::runtime

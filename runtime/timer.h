// The timer control: a tick event on the form's thread at an interval.
#pragma once

#include <windows.h>

#include <functional>

namespace velmora::runtime {

class Timer {
public:
    Timer(HWND form, UINT_PTR id, UINT interval, bool enabled);

    UINT Interval() const { return interval_; }
    void setInterval(UINT milliseconds);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    // Runs the tick handler unless a tick is already running: ticks never overlap.
    void tick(const std::function<void()>& handler);

private:
    void apply();

    HWND form_;
    UINT_PTR id_;
    UINT interval_;
    bool enabled_;
    bool ticking_ = false;
};

}  // namespace velmora::runtime

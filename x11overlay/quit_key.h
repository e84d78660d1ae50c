// Ctrl+Alt+Q, grabbed on the root window so that it reaches sorvel whichever
// window has the focus.
#pragma once

#include <X11/Xlib.h>

namespace velmora::x11 {

class QuitKeyGrab {
public:
    QuitKeyGrab(Display* display, Window root);
    QuitKeyGrab(const QuitKeyGrab&) = delete;
    QuitKeyGrab& operator=(const QuitKeyGrab&) = delete;
    ~QuitKeyGrab();

    // False when another client holds the combination already.
    bool grabbed() const { return grabbed_; }
    bool matches(const XKeyEvent& event) const;
    // Grabs again after the keyboard mapping changed.
    void refresh();

private:
    void grab();
    void ungrab();

    Display* display_;
    Window root_;
    KeyCode keycode_ = 0;
    unsigned altMask_ = Mod1Mask;
    unsigned numLockMask_ = 0;
    bool grabbed_ = false;
};

}  // namespace velmora::x11

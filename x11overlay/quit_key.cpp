#include "quit_key.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "x_connection.h"

namespace velmora::x11 {
namespace {

// The modifier bit (Mod1 to Mod5) that holds one of the keys, or 0.
unsigned modifierHolding(Display* display, std::initializer_list<KeySym> keysyms) {
    XModifierKeymap* map = XGetModifierMapping(display);
    unsigned mask = 0;
    for (int modifier = Mod1MapIndex; modifier <= Mod5MapIndex && mask == 0; ++modifier) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            const KeyCode code = map->modifiermap[modifier * map->max_keypermod + k];
            if (code == 0) continue;
            for (KeySym keysym : keysyms) {
                if (XkbKeycodeToKeysym(display, code, 0, 0) == keysym) mask = 1u << modifier;
            }
        }
    }
    XFreeModifiermap(map);
    return mask;
}

}  // namespace

QuitKeyGrab::QuitKeyGrab(Display* display, Window root) : display_(display), root_(root) { grab(); }

QuitKeyGrab::~QuitKeyGrab() { ungrab(); }

void QuitKeyGrab::grab() {
    keycode_ = XKeysymToKeycode(display_, XK_q);
    if (const unsigned alt = modifierHolding(display_, {XK_Alt_L, XK_Alt_R, XK_Meta_L}); alt != 0) {
        altMask_ = alt;
    }
    numLockMask_ = modifierHolding(display_, {XK_Num_Lock});
    if (keycode_ == 0) {
        grabbed_ = false;
        return;
    }
    // Caps Lock and Num Lock change the state but not what the user means.
    const unsigned wanted = ControlMask | altMask_;
    ErrorTrap trap(display_);
    for (unsigned locks : {0u, unsigned{LockMask}, numLockMask_, LockMask | numLockMask_}) {
        XGrabKey(display_, keycode_, wanted | locks, root_, False, GrabModeAsync, GrabModeAsync);
    }
    grabbed_ = trap.firstError() == 0;
    if (!grabbed_) ungrab();
}

void QuitKeyGrab::ungrab() {
    if (keycode_ == 0) return;
    const unsigned wanted = ControlMask | altMask_;
    for (unsigned locks : {0u, unsigned{LockMask}, numLockMask_, LockMask | numLockMask_}) {
        XUngrabKey(display_, keycode_, wanted | locks, root_);
    }
}

bool QuitKeyGrab::matches(const XKeyEvent& event) const {
    const unsigned relevant = ControlMask | ShiftMask | altMask_;
    return grabbed_ && event.keycode == keycode_ && (event.state & relevant) == (ControlMask | altMask_);
}

void QuitKeyGrab::refresh() {
    ungrab();
    grab();
}

}  // namespace velmora::x11

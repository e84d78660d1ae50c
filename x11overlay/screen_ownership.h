// What makes this process the screen's compositing manager, each held for as
// long as its owner lives: the _NET_WM_CM_S<screen> selection, the composite
// overlay window, and the manual redirection of the root's children.
#pragma once

#include <X11/Xlib.h>

#include <string>

#include "x_resources.h"

namespace velmora::x11 {

// The selection by which compositing managers announce themselves.
class CompositingManagerSelection {
public:
    // Throws StartupError (kExitOtherCompositor) when another client owns the
    // selection, naming it where it has a name; then nothing has changed.
    CompositingManagerSelection(Display* display, int screen);
    CompositingManagerSelection(const CompositingManagerSelection&) = delete;
    CompositingManagerSelection& operator=(const CompositingManagerSelection&) = delete;

    Atom atom() const { return atom_; }
    // The window that owns the selection; destroying it gives the selection up.
    Window window() const { return window_.get(); }

private:
    Display* display_;
    Atom atom_;
    OwnedWindow window_;
};

// The name of the client that owns `window` as it calls itself, or an empty
// string.
std::string windowName(Display* display, Window window);

// The composite overlay window, made to let all input through to the windows
// beneath it.
class OverlayWindow {
public:
    OverlayWindow(Display* display, Window root);
    OverlayWindow(const OverlayWindow&) = delete;
    OverlayWindow& operator=(const OverlayWindow&) = delete;
    ~OverlayWindow();

    Window id() const { return window_; }

private:
    Display* display_;
    Window root_;
    Window window_;
};

// Manual redirection of all children of the root: from then on their
// contents stay off the screen, in pixmaps, until given back.
class RootRedirection {
public:
    // Throws StartupError (kExitOtherCompositor) when another client already
    // redirects them.
    RootRedirection(Display* display, Window root);
    RootRedirection(const RootRedirection&) = delete;
    RootRedirection& operator=(const RootRedirection&) = delete;
    ~RootRedirection();

private:
    Display* display_;
    Window root_;
};

}  // namespace velmora::x11

#include "screen_ownership.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "x_connection.h"

namespace velmora::x11 {
namespace {

std::string hexId(Window window) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", window);
    return text;
}

StartupError anotherManagerOwns(Display* display, Window owner) {
    const std::string name = windowName(display, owner);
    return StartupError("another compositing manager runs on this screen (" +
                            (name.empty() ? "" : name + ", ") + "window " + hexId(owner) +
                            "): end it first; sorvel needs an X11 session without one",
                        kExitOtherCompositor);
}

void setName(Display* display, Window window, const char* name) {
    XStoreName(display, window, name);
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, netWmName, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name), static_cast<int>(std::strlen(name)));
    const long pid = getpid();
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
}

// A server timestamp for taking the selection, as the ICCCM asks: the time
// of a property change on our own window.
Time serverTime(Display* display, Window window) {
    XSelectInput(display, window, PropertyChangeMask);
    static const unsigned char nothing = 0;
    XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeAppend, &nothing, 0);
    XEvent event;
    XWindowEvent(display, window, PropertyChangeMask, &event);
    XSelectInput(display, window, NoEventMask);
    return event.xproperty.time;
}

}  // namespace

std::string windowName(Display* display, Window window) {
    ErrorTrap trap(display);  // the window may be gone
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, netWmName, 0, 256, False, utf8, &type, &format, &count,
                           &remaining, &data) == Success && data != nullptr) {
        if (type == utf8 && format == 8) name.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    if (name.empty()) {
        char* plain = nullptr;
        if (XFetchName(display, window, &plain) && plain != nullptr) {
            name = plain;
            XFree(plain);
        }
    }
    return name;
}

CompositingManagerSelection::CompositingManagerSelection(Display* display, int screen)
    : display_(display),
      atom_(XInternAtom(display, ("_NET_WM_CM_S" + std::to_string(screen)).c_str(), False)) {
    if (const Window owner = XGetSelectionOwner(display_, atom_); owner != None) {
        throw anotherManagerOwns(display_, owner);
    }
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    window_ = OwnedWindow(display_, XCreateWindow(display_, RootWindow(display_, screen), -1, -1, 1, 1, 0,
                                                  0, InputOnly, CopyFromParent, CWOverrideRedirect,
                                                  &attributes));
    setName(display_, window_.get(), "sorvel");
    XSetSelectionOwner(display_, atom_, window_.get(), serverTime(display_, window_.get()));
    if (const Window owner = XGetSelectionOwner(display_, atom_); owner != window_.get()) {
        throw anotherManagerOwns(display_, owner);
    }
}

OverlayWindow::OverlayWindow(Display* display, Window root)
    : display_(display), root_(root), window_(XCompositeGetOverlayWindow(display, root)) {
    // An empty input region: every click and motion goes to the windows beneath.
    const XserverRegion nothing = XFixesCreateRegion(display_, nullptr, 0);
    XFixesSetWindowShapeRegion(display_, window_, ShapeInput, 0, 0, nothing);
    XFixesDestroyRegion(display_, nothing);
    XSelectInput(display_, window_, ExposureMask);
}

OverlayWindow::~OverlayWindow() { XCompositeReleaseOverlayWindow(display_, root_); }

RootRedirection::RootRedirection(Display* display, Window root) : display_(display), root_(root) {
    ErrorTrap trap(display_);
    XCompositeRedirectSubwindows(display_, root_, CompositeRedirectManual);
    if (trap.firstError() != 0) {
        throw StartupError("another program already composites this screen (it redirects the "
                           "windows without announcing itself as a compositing manager)",
                           kExitOtherCompositor);
    }
}

RootRedirection::~RootRedirection() {
    XCompositeUnredirectSubwindows(display_, root_, CompositeRedirectManual);
}

}  // namespace velmora::x11

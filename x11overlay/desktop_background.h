// The desktop background: what the root window shows where no window covers
// it. Once a compositing manager redirects the root's children, the server
// stops painting the root's background (and every background taken from it),
// so it is captured before, and afterwards followed through the pixmap that
// background setters announce on the root window (_XROOTPMAP_ID,
// ESETROOT_PMAP_ID).
#pragma once

#include <X11/Xlib.h>

#include "x_resources.h"

namespace velmora::x11 {

class DesktopBackground {
public:
    // Captures the root's background as the server paints it now, at the
    // screen's size. Must run before the root's children are redirected.
    // Throws StartupError (kExitOtherCompositor) when another client already
    // redirects the root's children.
    DesktopBackground(Display* display, Window root, int width, int height);

    // Whether `atom` is one of the properties that announce a new background.
    bool isAnnouncement(Atom atom) const { return atom == rootPixmapAtom_ || atom == setrootPixmapAtom_; }
    // Takes the announced background pixmap, if one is announced and fits
    // the screen; false when the background stays as it was.
    bool followAnnouncement();

    // The background, repeated over the screen from its top left corner.
    Picture picture() const { return picture_.get(); }

private:
    Pixmap announcedPixmap() const;

    Display* display_;
    Window root_;
    Atom rootPixmapAtom_;
    Atom setrootPixmapAtom_;
    OwnedPixmap captured_;
    OwnedPicture picture_;
};

}  // namespace velmora::x11

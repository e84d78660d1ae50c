// A screen-sized pixmap in the X server that holds the screen as it would
// look without the overlay: the windows' contents composed in stacking order
// over the desktop background.
#pragma once

#include <X11/Xlib.h>

#include <span>

#include "screen_region.h"
#include "tracked_window.h"
#include "x_resources.h"

namespace velmora::x11 {

class ColourBuffer {
public:
    ColourBuffer(Display* display, Window root, int width, int height);

    void resize(int width, int height);
    Pixmap pixmap() const { return pixmap_.get(); }

    // Composes `region` of the buffer from `windowsFromTop`, each where its
    // shape shows and no window above it covers it, with their pixels as
    // they are: an X screen without a compositing manager shows no window
    // through another, whatever a window's alpha channel says. What no window
    // covers shows `background`, repeated from the top left corner.
    void compose(const ScreenRegion& region, std::span<TrackedWindow* const> windowsFromTop,
                 Picture background);

private:
    void composeWindow(TrackedWindow& window, ScreenRegion& uncovered);

    Display* display_;
    Window root_;
    int width_ = 0, height_ = 0;
    OwnedPixmap pixmap_;
    OwnedPicture picture_;
};

}  // namespace velmora::x11

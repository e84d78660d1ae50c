#include "colour_buffer.h"

#include <X11/extensions/Xrender.h>

#include <vector>

namespace velmora::x11 {

ColourBuffer::ColourBuffer(Display* display, Window root, int width, int height)
    : display_(display), root_(root) {
    resize(width, height);
}

void ColourBuffer::resize(int width, int height) {
    width_ = width;
    height_ = height;
    picture_.reset();
    const int screen = DefaultScreen(display_);
    pixmap_ = OwnedPixmap(display_, XCreatePixmap(display_, root_, static_cast<unsigned>(width),
                                                  static_cast<unsigned>(height),
                                                  static_cast<unsigned>(DefaultDepth(display_, screen))));
    XRenderPictFormat* format = XRenderFindVisualFormat(display_, DefaultVisual(display_, screen));
    picture_ = OwnedPicture(display_, XRenderCreatePicture(display_, pixmap_.get(), format, 0, nullptr));
}

void ColourBuffer::compose(const ScreenRegion& region, std::span<TrackedWindow* const> windowsFromTop,
                           Picture background) {
    ScreenRegion uncovered = region;
    for (TrackedWindow* window : windowsFromTop) {
        if (uncovered.empty()) return;
        composeWindow(*window, uncovered);
    }
    if (uncovered.empty() || background == None) return;
    const std::vector<XRectangle> clip = uncovered.xRectangles();
    XRenderSetPictureClipRectangles(display_, picture_.get(), 0, 0, clip.data(), static_cast<int>(clip.size()));
    XRenderComposite(display_, PictOpSrc, background, None, picture_.get(), 0, 0, 0, 0, 0, 0,
                     static_cast<unsigned>(width_), static_cast<unsigned>(height_));
}

void ColourBuffer::composeWindow(TrackedWindow& window, ScreenRegion& uncovered) {
    ScreenRegion visible = window.screenArea();
    visible.intersect(uncovered);
    if (visible.empty()) return;
    const Picture contents = window.contents();
    if (contents == None) return;

    const std::vector<XRectangle> clip = visible.xRectangles();
    XRenderSetPictureClipRectangles(display_, picture_.get(), 0, 0, clip.data(), static_cast<int>(clip.size()));
    const Rect outer = window.geometry().outer();
    XRenderComposite(display_, PictOpSrc, contents, None, picture_.get(), 0, 0, 0, 0, outer.x, outer.y,
                     static_cast<unsigned>(outer.width), static_cast<unsigned>(outer.height));
    uncovered.subtract(visible);
}

}  // namespace velmora::x11

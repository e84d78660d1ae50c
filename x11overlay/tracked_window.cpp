#include "tracked_window.h"

#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xrender.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <span>

namespace velmora::x11 {

TrackedWindow::TrackedWindow(Display* display, Window id, const WindowGeometry& geometry, bool mapped)
    : display_(display), id_(id), geometry_(geometry), mapped_(mapped) {}

void TrackedWindow::followShapeChanges() { XShapeSelectInput(display_, id_, ShapeNotifyMask); }

bool TrackedWindow::learnAttributes() {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, id_, &attributes)) return false;
    attributesKnown_ = true;
    inputOutput_ = attributes.c_class == InputOutput;
    visual_ = attributes.visual;
    geometry_ = {attributes.x, attributes.y, attributes.width, attributes.height, attributes.border_width};
    mapped_ = attributes.map_state == IsViewable;
    return true;
}

void TrackedWindow::learnShape() {
    Bool boundingShaped = False, clipShaped = False;
    int unusedX, unusedY;
    unsigned unusedWidth, unusedHeight;
    if (!XShapeQueryExtents(display_, id_, &boundingShaped, &unusedX, &unusedY, &unusedWidth,
                            &unusedHeight, &clipShaped, &unusedX, &unusedY, &unusedWidth,
                            &unusedHeight) ||
        !boundingShaped) {
        shape_.reset();
        return;
    }
    int count = 0, ordering = 0;
    XRectangle* rectangles = XShapeGetRectangles(display_, id_, ShapeBounding, &count, &ordering);
    shape_ = ScreenRegion::fromRectangles(std::span<const XRectangle>(rectangles, rectangles ? count : 0));
    if (rectangles) XFree(rectangles);
}

void TrackedWindow::setMapped(bool mapped) {
    mapped_ = mapped;
    // The server makes a new pixmap for every map and frees it on unmap.
    dropContents();
}

void TrackedWindow::setGeometry(const WindowGeometry& geometry) {
    if (!geometry.sameSize(geometry_)) dropContents();
    geometry_ = geometry;
}

ScreenRegion TrackedWindow::screenArea() const {
    const Rect outer = geometry_.outer();
    if (!shape_) return ScreenRegion(outer);
    ScreenRegion area = *shape_;
    area.translate(geometry_.x + geometry_.borderWidth, geometry_.y + geometry_.borderWidth);
    area.intersect(outer);
    return area;
}

void TrackedWindow::watchContents(int reportLevel) {
    if (!damage_ && inputOutput_) damage_ = OwnedDamage(display_, XDamageCreate(display_, id_, reportLevel));
}

Picture TrackedWindow::contents() {
    if (!shown() || !attributesKnown_) return None;
    if (!picture_) {
        XRenderPictFormat* format = XRenderFindVisualFormat(display_, visual_);
        if (format == nullptr) return None;
        pixmap_ = OwnedPixmap(display_, XCompositeNameWindowPixmap(display_, id_));
        picture_ = OwnedPicture(display_, XRenderCreatePicture(display_, pixmap_.get(), format, 0, nullptr));
    }
    return picture_.get();
}

void TrackedWindow::dropContents() {
    picture_.reset();
    pixmap_.reset();
}

std::vector<std::unique_ptr<TrackedWindow>>::iterator WindowStack::position(Window id) {
    return std::find_if(bottomToTop_.begin(), bottomToTop_.end(),
                        [id](const std::unique_ptr<TrackedWindow>& window) { return window->id() == id; });
}

TrackedWindow* WindowStack::find(Window id) {
    const auto it = position(id);
    return it == bottomToTop_.end() ? nullptr : it->get();
}

TrackedWindow& WindowStack::addOnTop(std::unique_ptr<TrackedWindow> window) {
    bottomToTop_.push_back(std::move(window));
    return *bottomToTop_.back();
}

std::unique_ptr<TrackedWindow> WindowStack::remove(Window id) {
    const auto it = position(id);
    if (it == bottomToTop_.end()) return nullptr;
    std::unique_ptr<TrackedWindow> window = std::move(*it);
    bottomToTop_.erase(it);
    return window;
}

void WindowStack::placeAbove(Window id, Window sibling) {
    std::unique_ptr<TrackedWindow> window = remove(id);
    if (!window) return;
    if (sibling == None) {
        bottomToTop_.insert(bottomToTop_.begin(), std::move(window));
        return;
    }
    const auto below = position(sibling);
    // A sibling we do not know (our own windows) leaves the window on top.
    bottomToTop_.insert(below == bottomToTop_.end() ? below : below + 1, std::move(window));
}

void WindowStack::placeOnTop(Window id) {
    if (std::unique_ptr<TrackedWindow> window = remove(id)) bottomToTop_.push_back(std::move(window));
}

void WindowStack::placeAtBottom(Window id) {
    if (std::unique_ptr<TrackedWindow> window = remove(id)) {
        bottomToTop_.insert(bottomToTop_.begin(), std::move(window));
    }
}

std::vector<TrackedWindow*> WindowStack::shownFromTop() const {
    std::vector<TrackedWindow*> result;
    for (auto it = bottomToTop_.rbegin(); it != bottomToTop_.rend(); ++it) {
        if ((*it)->shown()) result.push_back(it->get());
    }
    return result;
}

}  // namespace velmora::x11

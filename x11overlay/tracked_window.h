// What the compositing manager knows about one child of the root window, and
// the root's children in stacking order.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <optional>
#include <vector>

#include "screen_region.h"
#include "x_resources.h"

namespace velmora::x11 {

struct WindowGeometry {
    int x = 0, y = 0;           // the outer corner (the border's), relative to the root
    int width = 0, height = 0;  // inside the border
    int borderWidth = 0;

    Rect outer() const { return {x, y, width + 2 * borderWidth, height + 2 * borderWidth}; }
    bool sameSize(const WindowGeometry& other) const {
        return width == other.width && height == other.height && borderWidth == other.borderWidth;
    }
};

class TrackedWindow {
public:
    TrackedWindow(Display* display, Window id, const WindowGeometry& geometry, bool mapped);

    Window id() const { return id_; }
    const WindowGeometry& geometry() const { return geometry_; }
    bool mapped() const { return mapped_; }
    // Mapped and with contents of its own (not an input-only window).
    bool shown() const { return mapped_ && inputOutput_; }

    // Asks for shape change events of the window.
    void followShapeChanges();
    // Reads the window's class, visual, geometry and map state from the
    // server; false when the window is gone.
    bool learnAttributes();
    bool knowsAttributes() const { return attributesKnown_; }
    // Reads the window's bounding shape from the server again.
    void learnShape();

    void setMapped(bool mapped);
    void setGeometry(const WindowGeometry& geometry);

    // The part of the screen the window covers: its bounding shape, or its
    // rectangle with the border.
    ScreenRegion screenArea() const;

    // Starts reporting changes of the window's contents, once.
    void watchContents(int reportLevel);
    Damage damage() const { return damage_.get(); }

    // A picture of the window's contents with its border, at its outer
    // corner's size; None when the window has no contents to show. Made on
    // first use after each map or resize, since the server gives the window a
    // new pixmap then.
    Picture contents();
    void dropContents();

private:
    Display* display_;
    Window id_;
    WindowGeometry geometry_;
    bool mapped_;
    bool attributesKnown_ = false;
    bool inputOutput_ = true;
    Visual* visual_ = nullptr;
    // The bounding shape relative to the window's origin (inside the border);
    // nothing while the window is not shaped.
    std::optional<ScreenRegion> shape_;
    OwnedDamage damage_;
    OwnedPixmap pixmap_;
    OwnedPicture picture_;
};

// The root's children from the bottom of the stack to the top.
class WindowStack {
public:
    TrackedWindow* find(Window id);
    TrackedWindow& addOnTop(std::unique_ptr<TrackedWindow> window);
    std::unique_ptr<TrackedWindow> remove(Window id);

    // Places the window just above `sibling`, or at the bottom for None.
    void placeAbove(Window id, Window sibling);
    void placeOnTop(Window id);
    void placeAtBottom(Window id);

    // The windows that show something, from the top of the stack down.
    std::vector<TrackedWindow*> shownFromTop() const;
    std::size_t size() const { return bottomToTop_.size(); }

private:
    std::vector<std::unique_ptr<TrackedWindow>>::iterator position(Window id);
    std::vector<std::unique_ptr<TrackedWindow>> bottomToTop_;
};

}  // namespace velmora::x11

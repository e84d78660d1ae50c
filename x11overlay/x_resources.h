// Owners of X server resources: each frees its resource when it goes out of
// scope, on the connection it was created on.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xrender.h>

#include <utility>

namespace velmora::x11 {

template <typename Handle, void (*Free)(Display*, Handle)>
class XOwned {
public:
    XOwned() = default;
    XOwned(Display* display, Handle handle) : display_(display), handle_(handle) {}
    XOwned(const XOwned&) = delete;
    XOwned& operator=(const XOwned&) = delete;
    XOwned(XOwned&& other) noexcept
        : display_(other.display_), handle_(std::exchange(other.handle_, Handle{})) {}
    XOwned& operator=(XOwned&& other) noexcept {
        if (this != &other) {
            reset();
            display_ = other.display_;
            handle_ = std::exchange(other.handle_, Handle{});
        }
        return *this;
    }
    ~XOwned() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }

    // Frees the resource now.
    void reset() {
        if (handle_ != Handle{}) Free(display_, std::exchange(handle_, Handle{}));
    }

private:
    Display* display_ = nullptr;
    Handle handle_{};
};

namespace detail {
inline void freePixmap(Display* display, Pixmap pixmap) { XFreePixmap(display, pixmap); }
inline void freePicture(Display* display, Picture picture) { XRenderFreePicture(display, picture); }
inline void destroyDamage(Display* display, Damage damage) { XDamageDestroy(display, damage); }
inline void destroyWindow(Display* display, Window window) { XDestroyWindow(display, window); }
inline void freeGc(Display* display, GC gc) { XFreeGC(display, gc); }
}  // namespace detail

// Pixmap, Picture, Damage and Window are all XIDs; the free function tells
// the owners apart.
using OwnedPixmap = XOwned<Pixmap, detail::freePixmap>;
using OwnedPicture = XOwned<Picture, detail::freePicture>;
using OwnedDamage = XOwned<Damage, detail::destroyDamage>;
using OwnedWindow = XOwned<Window, detail::destroyWindow>;
using OwnedGc = XOwned<GC, detail::freeGc>;

}  // namespace velmora::x11

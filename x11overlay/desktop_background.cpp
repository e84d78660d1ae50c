#include "desktop_background.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrender.h>
#include <X11/extensions/shape.h>

#include <cstdint>
#include <vector>

#include "screen_region.h"
#include "x_connection.h"

namespace velmora::x11 {
namespace {

// The smallest period of a sequence: the least p with s[i] = s[i + p] for
// every i (the length when there is none), from its prefix function.
int smallestPeriod(const std::vector<std::uint64_t>& sequence) {
    const std::size_t length = sequence.size();
    std::vector<std::size_t> border(length, 0);
    for (std::size_t i = 1; i < length; ++i) {
        std::size_t k = border[i - 1];
        while (k > 0 && sequence[i] != sequence[k]) k = border[k - 1];
        if (sequence[i] == sequence[k]) ++k;
        border[i] = k;
    }
    return static_cast<int>(length - (length ? border[length - 1] : 0));
}

std::uint64_t hashOn(std::uint64_t hash, std::uint32_t pixel) {
    return (hash ^ pixel) * 0x100000001B3ull + 0x9E3779B97F4A7C15ull;
}

// The root's background is a tile repeated from the root's corner (one
// pixel for a plain colour). The smallest tile that gives the captured
// picture lets the background cover exactly a screen that grows later. The
// periods are found on hashes of the columns and rows, then checked pixel by
// pixel.
Rect smallestTile(Display* display, Pixmap picture, int width, int height) {
    const Rect whole{0, 0, width, height};
    XImage* image = XGetImage(display, picture, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (image == nullptr) return whole;
    if (image->bits_per_pixel != 32) {
        XDestroyImage(image);
        return whole;
    }
    const auto pixel = [image](int x, int y) {
        return reinterpret_cast<const std::uint32_t*>(image->data + static_cast<std::ptrdiff_t>(y) * image->bytes_per_line)[x] & 0xFFFFFF;
    };
    std::vector<std::uint64_t> columns(static_cast<std::size_t>(width)), rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            columns[static_cast<std::size_t>(x)] = hashOn(columns[static_cast<std::size_t>(x)], pixel(x, y));
            rows[static_cast<std::size_t>(y)] = hashOn(rows[static_cast<std::size_t>(y)], pixel(x, y));
        }
    }
    Rect tile{0, 0, smallestPeriod(columns), smallestPeriod(rows)};
    for (int y = 0; y < height && tile.width != width; ++y) {
        for (int x = 0; x + tile.width < width; ++x) {
            if (pixel(x, y) != pixel(x + tile.width, y)) {
                tile.width = width;
                break;
            }
        }
    }
    for (int y = 0; y + tile.height < height && tile.height != height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (pixel(x, y) != pixel(x, y + tile.height)) {
                tile.height = height;
                break;
            }
        }
    }
    XDestroyImage(image);
    return tile;
}

OwnedPicture repeatingPicture(Display* display, Drawable drawable) {
    XRenderPictureAttributes attributes{};
    attributes.repeat = RepeatNormal;
    XRenderPictFormat* format = XRenderFindVisualFormat(display, DefaultVisual(display, DefaultScreen(display)));
    return OwnedPicture(display, XRenderCreatePicture(display, drawable, format, CPRepeat, &attributes));
}

}  // namespace

DesktopBackground::DesktopBackground(Display* display, Window root, int width, int height)
    : display_(display),
      root_(root),
      rootPixmapAtom_(XInternAtom(display, "_XROOTPMAP_ID", False)),
      setrootPixmapAtom_(XInternAtom(display, "ESETROOT_PMAP_ID", False)) {
    // A window that takes its background from the root: redirected before it
    // is mapped, the server paints that background into the window's own
    // pixmap, so nothing shows on the screen and no window above hides any
    // of it.
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = ParentRelative;
    attributes.override_redirect = True;
    const OwnedWindow painter(display_, XCreateWindow(display_, root_, 0, 0, static_cast<unsigned>(width),
                                                      static_cast<unsigned>(height), 0, CopyFromParent,
                                                      InputOutput, CopyFromParent,
                                                      CWBackPixmap | CWOverrideRedirect, &attributes));
    {
        ErrorTrap trap(display_);
        XCompositeRedirectWindow(display_, painter.get(), CompositeRedirectManual);
        if (trap.firstError() != 0) {
            throw StartupError("another program already composites this screen (it redirects the "
                               "windows without announcing itself as a compositing manager)",
                               kExitOtherCompositor);
        }
    }
    // It must not take a click or the pointer for the moment it is mapped.
    const XserverRegion nothing = XFixesCreateRegion(display_, nullptr, 0);
    XFixesSetWindowShapeRegion(display_, painter.get(), ShapeInput, 0, 0, nothing);
    XFixesDestroyRegion(display_, nothing);
    XMapWindow(display_, painter.get());
    const OwnedPixmap painted(display_, XCompositeNameWindowPixmap(display_, painter.get()));
    const Rect tile = smallestTile(display_, painted.get(), width, height);
    captured_ = OwnedPixmap(display_, XCreatePixmap(display_, root_, static_cast<unsigned>(tile.width),
                                                    static_cast<unsigned>(tile.height),
                                                    static_cast<unsigned>(DefaultDepth(display_, DefaultScreen(display_)))));
    const OwnedGc gc(display_, XCreateGC(display_, captured_.get(), 0, nullptr));
    XCopyArea(display_, painted.get(), captured_.get(), gc.get(), 0, 0, static_cast<unsigned>(tile.width),
              static_cast<unsigned>(tile.height), 0, 0);
    picture_ = repeatingPicture(display_, captured_.get());
}

Pixmap DesktopBackground::announcedPixmap() const {
    for (const Atom atom : {rootPixmapAtom_, setrootPixmapAtom_}) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        Pixmap pixmap = None;
        if (XGetWindowProperty(display_, root_, atom, 0, 1, False, XA_PIXMAP, &type, &format, &count,
                               &remaining, &data) == Success && data != nullptr) {
            if (type == XA_PIXMAP && format == 32 && count == 1) pixmap = *reinterpret_cast<Pixmap*>(data);
            XFree(data);
        }
        if (pixmap != None) return pixmap;
    }
    return None;
}

bool DesktopBackground::followAnnouncement() {
    const Pixmap pixmap = announcedPixmap();
    if (pixmap == None) return false;
    ErrorTrap trap(display_);  // the announced pixmap may be gone already
    Window unusedRoot;
    int unusedX, unusedY;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(display_, pixmap, &unusedRoot, &unusedX, &unusedY, &width, &height, &border, &depth) ||
        depth != static_cast<unsigned>(DefaultDepth(display_, DefaultScreen(display_)))) {
        return false;
    }
    OwnedPicture picture = repeatingPicture(display_, pixmap);
    if (trap.firstError() != 0) return false;
    picture_ = std::move(picture);
    captured_.reset();
    return true;
}

}  // namespace velmora::x11

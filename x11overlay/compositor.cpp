#include "compositor.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>
#include <poll.h>

#include <algorithm>

namespace velmora::x11 {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMostEventsBetweenPaints = 512;

// The time between two paints: one refresh of the fastest monitor, or of a
// 60 Hz one when the monitors do not tell.
Clock::duration refreshInterval(Display* display, Window root) {
    double fastest = 0;
    if (XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root)) {
        for (int c = 0; c < resources->ncrtc; ++c) {
            XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[c]);
            if (crtc == nullptr) continue;
            for (int m = 0; m < resources->nmode; ++m) {
                const XRRModeInfo& mode = resources->modes[m];
                if (mode.id != crtc->mode || mode.hTotal == 0 || mode.vTotal == 0) continue;
                double rate = static_cast<double>(mode.dotClock) / (static_cast<double>(mode.hTotal) * mode.vTotal);
                if (mode.modeFlags & RR_DoubleScan) rate /= 2;
                if (mode.modeFlags & RR_Interlace) rate *= 2;
                fastest = std::max(fastest, rate);
            }
            XRRFreeCrtcInfo(crtc);
        }
        XRRFreeScreenResources(resources);
    }
    if (fastest < 20 || fastest > 500) fastest = 60;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / fastest));
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Releases a server grab however the scope is left.
class ServerGrab {
public:
    explicit ServerGrab(Display* display) : display_(display) { XGrabServer(display_); }
    ServerGrab(const ServerGrab&) = delete;
    ServerGrab& operator=(const ServerGrab&) = delete;
    ~ServerGrab() { XUngrabServer(display_); }

private:
    Display* display_;
};

}  // namespace

Compositor::Compositor(Display* display, const Extensions& extensions)
    : display_(display),
      extensions_(extensions),
      screen_(DefaultScreen(display)),
      root_(RootWindow(display, screen_)),
      width_(DisplayWidth(display, screen_)),
      height_(DisplayHeight(display, screen_)),
      copier_(display, root_, width_, height_),
      buffer_(display, root_, width_, height_),
      selection_(display, screen_),
      background_(display, root_, width_, height_),
      overlay_(display, root_),
      quitKey_(display, root_) {
    {
        // No window may come, go or change unseen between redirecting the
        // windows and learning what they are.
        ServerGrab grab(display_);
        XSelectInput(display_, root_, SubstructureNotifyMask | StructureNotifyMask | PropertyChangeMask);
        redirection_ = std::make_unique<RootRedirection>(display_, root_);
        adoptExistingWindows();
    }
    XRRSelectInput(display_, root_, RRScreenChangeNotifyMask);
    frameInterval_ = refreshInterval(display_, root_);
    nextPaint_ = Clock::now();
    pending_.add(Rect{0, 0, width_, height_});
}

// The members go in the reverse order of their declaration: the key is let
// go, the overlay window released, the windows given back, and the
// selection given up.
Compositor::~Compositor() = default;

void Compositor::adoptExistingWindows() {
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, root_, &rootReturn, &parent, &children, &count)) return;
    for (unsigned i = 0; i < count; ++i) {  // bottom to top
        if (children[i] == overlay_.id()) continue;
        auto window = std::make_unique<TrackedWindow>(display_, children[i], WindowGeometry{}, false);
        if (!window->learnAttributes()) continue;
        TrackedWindow& adopted = stack_.addOnTop(std::move(window));
        adopted.followShapeChanges();
        if (adopted.shown()) startShowing(adopted);
    }
    if (children) XFree(children);
}

TrackedWindow* Compositor::adopt(Window id, const WindowGeometry& geometry, bool mapped) {
    if (id == overlay_.id() || stack_.find(id)) return nullptr;
    TrackedWindow& window = stack_.addOnTop(std::make_unique<TrackedWindow>(display_, id, geometry, mapped));
    window.followShapeChanges();
    return &window;
}

void Compositor::forget(Window id) {
    if (std::unique_ptr<TrackedWindow> window = stack_.remove(id); window && window->shown()) {
        damageWindowArea(*window);
    }
}

void Compositor::startShowing(TrackedWindow& window) {
    window.watchContents(XDamageReportBoundingBox);
    window.learnShape();
    damageWindowArea(window);
}

void Compositor::damageWindowArea(const TrackedWindow& window) { pending_.add(window.screenArea()); }

Ending Compositor::run(SignalWatch& signals) {
    ending_.reset();
    while (!ending_) {
        if (const int signal = signals.take()) {
            ending_ = Ending{Ending::Cause::Signal, signal};
            break;
        }
        // A client that floods the server with changes must not keep the
        // screen from being painted or a signal from being seen: after a
        // batch of events, paint if due.
        for (int handled = 0; !ending_ && handled < kMostEventsBetweenPaints && XPending(display_); ++handled) {
            XEvent event;
            XNextEvent(display_, &event);
            handle(event);
        }
        if (ending_) break;

        int timeoutMs = -1;  // nothing to paint: sleep until something happens
        if (!pending_.empty()) {
            const Clock::time_point now = Clock::now();
            if (now >= nextPaint_) {
                paint(nullptr);
                continue;
            }
            timeoutMs = static_cast<int>(
                std::chrono::ceil<std::chrono::milliseconds>(nextPaint_ - now).count());
        }
        // Events already read from the connection would not wake the wait.
        if (XEventsQueued(display_, QueuedAlready) > 0) continue;
        pollfd waitFor[] = {{ConnectionNumber(display_), POLLIN, 0}, {signals.fd(), POLLIN, 0}};
        poll(waitFor, 2, timeoutMs);
    }
    return *ending_;
}

void Compositor::catchUp() {
    while (XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
        handle(event);
    }
    paint(nullptr);
    XSync(display_, False);
}

void Compositor::repaintScreen(FrameTimes* times) {
    pending_.add(Rect{0, 0, width_, height_});
    paint(times);
}

void Compositor::handle(XEvent& event) {
    switch (event.type) {
    case CreateNotify:
        onCreate(event.xcreatewindow);
        return;
    case DestroyNotify:
        forget(event.xdestroywindow.window);
        return;
    case MapNotify:
        onMap(event.xmap);
        return;
    case UnmapNotify:
        onUnmap(event.xunmap);
        return;
    case ConfigureNotify:
        onConfigure(event.xconfigure);
        return;
    case ReparentNotify:
        onReparent(event.xreparent);
        return;
    case CirculateNotify:
        onCirculate(event.xcirculate);
        return;
    case Expose:
        if (event.xexpose.window == overlay_.id()) {
            pending_.add(Rect{event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height});
        }
        return;
    case PropertyNotify:
        onRootProperty(event.xproperty);
        return;
    case KeyPress:
        onKey(event.xkey);
        return;
    case MappingNotify:
        XRefreshKeyboardMapping(&event.xmapping);
        if (event.xmapping.request != MappingPointer) quitKey_.refresh();
        return;
    case SelectionClear:
        if (event.xselectionclear.selection == selection_.atom()) ending_ = Ending{Ending::Cause::Replaced};
        return;
    default:
        break;
    }
    if (event.type == extensions_.damageEventBase + XDamageNotify) {
        onDamage(event);
    } else if (event.type == extensions_.shapeEventBase + ShapeNotify) {
        onShape(event);
    } else if (event.type == extensions_.randrEventBase + RRScreenChangeNotify) {
        XRRUpdateConfiguration(&event);
        frameInterval_ = refreshInterval(display_, root_);
    }
}

void Compositor::onCreate(const XCreateWindowEvent& event) {
    if (event.parent != root_) return;
    adopt(event.window, {event.x, event.y, event.width, event.height, event.border_width}, false);
}

void Compositor::onMap(const XMapEvent& event) {
    TrackedWindow* window = stack_.find(event.window);
    if (window == nullptr) return;
    if (!window->knowsAttributes() && !window->learnAttributes()) {
        forget(event.window);  // gone already
        return;
    }
    window->setMapped(true);
    if (window->shown()) startShowing(*window);
}

void Compositor::onUnmap(const XUnmapEvent& event) {
    TrackedWindow* window = stack_.find(event.window);
    if (window == nullptr) return;
    if (window->shown()) damageWindowArea(*window);
    window->setMapped(false);
}

void Compositor::onConfigure(const XConfigureEvent& event) {
    if (event.window == root_) {
        onScreenResized(event.width, event.height);
        return;
    }
    TrackedWindow* window = stack_.find(event.window);
    if (window == nullptr) return;
    if (window->shown()) damageWindowArea(*window);
    window->setGeometry({event.x, event.y, event.width, event.height, event.border_width});
    stack_.placeAbove(event.window, event.above);
    if (window->shown()) damageWindowArea(*window);
}

void Compositor::onReparent(const XReparentEvent& event) {
    if (event.parent != root_) {
        forget(event.window);
        return;
    }
    TrackedWindow* window = adopt(event.window, {event.x, event.y, 0, 0, 0}, false);
    if (window == nullptr) return;
    if (!window->learnAttributes()) {
        forget(event.window);
        return;
    }
    if (window->shown()) startShowing(*window);
}

void Compositor::onCirculate(const XCirculateEvent& event) {
    if (event.place == PlaceOnTop) {
        stack_.placeOnTop(event.window);
    } else {
        stack_.placeAtBottom(event.window);
    }
    if (TrackedWindow* window = stack_.find(event.window); window && window->shown()) {
        damageWindowArea(*window);
    }
}

void Compositor::onRootProperty(const XPropertyEvent& event) {
    if (event.window == root_ && background_.isAnnouncement(event.atom) && background_.followAnnouncement()) {
        pending_.add(Rect{0, 0, width_, height_});
    }
}

void Compositor::onKey(const XKeyEvent& event) {
    if (quitKey_.matches(event)) ending_ = Ending{Ending::Cause::QuitKey};
}

void Compositor::onDamage(const XEvent& event) {
    const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
    TrackedWindow* window = stack_.find(damage.drawable);
    if (window == nullptr) return;
    if (std::find(damagedWindows_.begin(), damagedWindows_.end(), window->id()) == damagedWindows_.end()) {
        damagedWindows_.push_back(window->id());
    }
    if (!window->shown()) return;
    // The area is relative to the window's origin, inside its border.
    const WindowGeometry& geometry = window->geometry();
    ScreenRegion changed(Rect{damage.area.x + geometry.x + geometry.borderWidth,
                              damage.area.y + geometry.y + geometry.borderWidth, damage.area.width,
                              damage.area.height});
    changed.intersect(window->screenArea());
    pending_.add(changed);
}

void Compositor::onShape(const XEvent& event) {
    const auto& shape = reinterpret_cast<const XShapeEvent&>(event);
    if (shape.kind != ShapeBounding) return;
    TrackedWindow* window = stack_.find(shape.window);
    if (window == nullptr || !window->shown()) return;
    damageWindowArea(*window);
    window->learnShape();
    damageWindowArea(*window);
}

void Compositor::onScreenResized(int width, int height) {
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    buffer_.resize(width_, height_);
    copier_.resize(width_, height_);
    pending_.add(Rect{0, 0, width_, height_});
}

void Compositor::paint(FrameTimes* times) {
    nextPaint_ = Clock::now() + frameInterval_;
    // Reset the damage of the windows that reported some: what they draw
    // from now on is reported afresh, what they drew so far is painted below.
    for (Window id : damagedWindows_) {
        if (TrackedWindow* window = stack_.find(id); window && window->damage() != None) {
            XDamageSubtract(display_, window->damage(), None, None);
        }
    }
    damagedWindows_.clear();

    ScreenRegion region = std::move(pending_);
    pending_.clear();
    region.intersect(Rect{0, 0, width_, height_});
    if (region.empty()) return;

    const Clock::time_point start = Clock::now();
    buffer_.compose(region, stack_.shownFromTop(), background_.picture());
    if (times) {
        XSync(display_, False);
        times->composeSeconds += secondsSince(start);
    }
    copier_.copy(region, buffer_.pixmap(), overlay_.id(), times ? &times->copy : nullptr);
    XFlush(display_);
}

}  // namespace velmora::x11

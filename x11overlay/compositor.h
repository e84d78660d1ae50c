// The compositing manager: it holds the screen's compositing manager
// selection, keeps the root's children off the screen, follows them, and
// paints what changed in gray on the composite overlay window.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "colour_buffer.h"
#include "desktop_background.h"
#include "gray_copier.h"
#include "quit_key.h"
#include "screen_ownership.h"
#include "screen_region.h"
#include "signal_watch.h"
#include "tracked_window.h"
#include "x_connection.h"
#include "x_resources.h"

namespace velmora::x11 {

struct Ending {
    enum class Cause { QuitKey, Signal, Replaced } cause;
    int signal = 0;
};

// Where the time of one paint went, when asked for (the benchmark).
struct FrameTimes {
    double composeSeconds = 0;
    CopyTimes copy;
};

class Compositor {
public:
    // Takes over the screen; throws StartupError, having changed nothing
    // that outlives it, when it cannot.
    Compositor(Display* display, const Extensions& extensions);
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;
    // Gives the windows back and lets go of the screen.
    ~Compositor();

    // Runs until Ctrl+Alt+Q, an ending signal, or another compositing
    // manager taking the selection over.
    Ending run(SignalWatch& signals);

    // Handles the events that have arrived, then paints all that waits to be
    // painted and waits until the server has shown it.
    void catchUp();
    // Paints the whole screen now; with `times`, waits for the server after
    // each step and tells where the time went.
    void repaintScreen(FrameTimes* times);

    int width() const { return width_; }
    int height() const { return height_; }
    bool quitKeyGrabbed() const { return quitKey_.grabbed(); }
    Window overlay() const { return overlay_.id(); }

private:
    void adoptExistingWindows();
    TrackedWindow* adopt(Window id, const WindowGeometry& geometry, bool mapped);
    void forget(Window id);
    void startShowing(TrackedWindow& window);

    void handle(XEvent& event);
    void onCreate(const XCreateWindowEvent& event);
    void onMap(const XMapEvent& event);
    void onUnmap(const XUnmapEvent& event);
    void onConfigure(const XConfigureEvent& event);
    void onReparent(const XReparentEvent& event);
    void onCirculate(const XCirculateEvent& event);
    void onRootProperty(const XPropertyEvent& event);
    void onKey(const XKeyEvent& event);
    void onDamage(const XEvent& event);
    void onShape(const XEvent& event);
    void onScreenResized(int width, int height);

    void damageWindowArea(const TrackedWindow& window);
    void paint(FrameTimes* times);

    Display* display_;
    Extensions extensions_;
    int screen_;
    Window root_;
    int width_, height_;
    // Made first: they check the screen and change nothing on it.
    GrayCopier copier_;
    ColourBuffer buffer_;
    CompositingManagerSelection selection_;
    // Made last, when the overlay window hides the windows' moment off the
    // screen, but given back only after the overlay window is released: then
    // the server paints the desktop background and shows every window again
    // at once.
    std::unique_ptr<RootRedirection> redirection_;
    // Captured before the redirection, which stops the server from painting
    // the root's background; it also finds a client that redirects the
    // windows without announcing itself before anything visible changes.
    DesktopBackground background_;
    OverlayWindow overlay_;
    WindowStack stack_;
    QuitKeyGrab quitKey_;

    ScreenRegion pending_;
    std::vector<Window> damagedWindows_;
    std::chrono::steady_clock::duration frameInterval_;
    std::chrono::steady_clock::time_point nextPaint_;
    std::optional<Ending> ending_;
};

}  // namespace velmora::x11

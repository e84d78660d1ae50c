#include "x_connection.h"

#include <X11/Xproto.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/Xrender.h>
#include <X11/extensions/damagewire.h>
#include <X11/extensions/shape.h>
#include <X11/extensions/xfixeswire.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace velmora::x11 {
namespace {

ErrorTrap* activeTrap = nullptr;
Extensions knownExtensions;
int reportedErrors = 0;
constexpr int kMostErrorsReported = 20;

// Errors that requests about a window produce once the window is gone: its
// pixmap, picture, damage object or region went with it.
bool comesFromAVanishedWindow(const XErrorEvent& error) {
    switch (error.error_code) {
    case BadWindow:
    case BadDrawable:
    case BadPixmap:
    case BadMatch:
        return true;
    default:
        return error.error_code == knownExtensions.damageErrorBase + BadDamage ||
               error.error_code == knownExtensions.renderErrorBase + BadPicture ||
               error.error_code == knownExtensions.fixesErrorBase + BadRegion;
    }
}

int handleIoError(Display*) {
    std::fputs("sorvel: lost the connection to the X display\n", stderr);
    // The server gives the windows back by itself when a client goes away.
    _exit(kExitCannotRun);
}

struct VersionedExtension {
    const char* name;
    int requiredMajor, requiredMinor;
    bool present = false;
    int major = 0, minor = 0;

    bool recentEnough() const {
        return present && (major > requiredMajor || (major == requiredMajor && minor >= requiredMinor));
    }
};

}  // namespace

int handleXError(Display* display, XErrorEvent* error) {
    if (activeTrap != nullptr && error->serial >= activeTrap->firstSerial_) {
        if (activeTrap->errorCode_ == 0) activeTrap->errorCode_ = error->error_code;
        return 0;
    }
    if (comesFromAVanishedWindow(*error)) return 0;
    if (reportedErrors < kMostErrorsReported) {
        ++reportedErrors;
        char text[256];
        XGetErrorText(display, error->error_code, text, sizeof text);
        std::fprintf(stderr, "sorvel: X error ignored: %s (request %d.%d, resource 0x%lx)\n", text,
                     error->request_code, error->minor_code, error->resourceid);
    }
    return 0;
}

DisplayConnection::DisplayConnection(const char* name) : display_(XOpenDisplay(name)) {
    XSetErrorHandler(handleXError);
    XSetIOErrorHandler(handleIoError);
    const char* shown = XDisplayName(name);
    name_ = shown != nullptr ? shown : "";
    if (display_ == nullptr) {
        if (name_.empty()) {
            throw StartupError("no X display to show: DISPLAY is not set (sorvel needs an X11 session)");
        }
        throw StartupError("cannot open the X display \"" + name_ + "\"");
    }
}

DisplayConnection::~DisplayConnection() { XCloseDisplay(display_); }

Extensions requireExtensions(Display* display) {
    Extensions found;
    int unusedEvent = 0, unusedError = 0;
    VersionedExtension composite{"Composite", 0, 3};
    VersionedExtension damage{"DAMAGE", 1, 1};
    VersionedExtension fixes{"XFIXES", 2, 0};
    VersionedExtension shape{"SHAPE", 1, 1};
    VersionedExtension render{"RENDER", 0, 6};
    VersionedExtension randr{"RANDR", 1, 3};
    VersionedExtension shm{"MIT-SHM", 1, 1};

    composite.present = XCompositeQueryExtension(display, &unusedEvent, &unusedError) &&
                        XCompositeQueryVersion(display, &composite.major, &composite.minor);
    damage.present = XDamageQueryExtension(display, &found.damageEventBase, &found.damageErrorBase) &&
                     XDamageQueryVersion(display, &damage.major, &damage.minor);
    fixes.present = XFixesQueryExtension(display, &found.fixesEventBase, &found.fixesErrorBase) &&
                    XFixesQueryVersion(display, &fixes.major, &fixes.minor);
    shape.present = XShapeQueryExtension(display, &found.shapeEventBase, &found.shapeErrorBase) &&
                    XShapeQueryVersion(display, &shape.major, &shape.minor);
    render.present = XRenderQueryExtension(display, &found.renderEventBase, &found.renderErrorBase) &&
                     XRenderQueryVersion(display, &render.major, &render.minor);
    randr.present = XRRQueryExtension(display, &found.randrEventBase, &found.randrErrorBase) &&
                    XRRQueryVersion(display, &randr.major, &randr.minor);
    Bool sharedPixmaps = False;
    shm.present = XShmQueryExtension(display) &&
                  XShmQueryVersion(display, &shm.major, &shm.minor, &sharedPixmaps);

    std::string missing;
    for (const VersionedExtension* extension : {&composite, &damage, &fixes, &shape, &render, &randr, &shm}) {
        if (extension->recentEnough()) continue;
        if (!missing.empty()) missing += ", ";
        missing += extension->name;
        char detail[64];
        if (extension->present) {
            std::snprintf(detail, sizeof detail, " %d.%d (needs %d.%d)", extension->major, extension->minor,
                          extension->requiredMajor, extension->requiredMinor);
        } else {
            std::snprintf(detail, sizeof detail, " (missing)");
        }
        missing += detail;
    }
    if (!missing.empty()) {
        throw StartupError("the X server lacks extensions that sorvel needs: " + missing);
    }
    knownExtensions = found;
    return found;
}

ErrorTrap::ErrorTrap(Display* display)
    : display_(display), firstSerial_(NextRequest(display)), outer_(activeTrap) {
    activeTrap = this;
}

ErrorTrap::~ErrorTrap() {
    // Errors of requests made under this trap that arrive later are still
    // this trap's business: let them reach it before it goes.
    XSync(display_, False);
    activeTrap = outer_;
}

int ErrorTrap::firstError() {
    XSync(display_, False);
    return errorCode_;
}

}  // namespace velmora::x11

// The connection to the X server, the extensions the overlay needs, and how
// X errors are handled.
#pragma once

#include <X11/Xlib.h>

#include <stdexcept>
#include <string>

namespace velmora::x11 {

// Exit codes of sorvel.
enum ExitCode : int {
    kExitEnded = 0,              // ended by its key, a signal, or another manager taking over
    kExitCannotRun = 1,          // no display, missing extensions, unsupported screen, lost connection
    kExitUsage = 2,              // wrong command line
    kExitOtherCompositor = 3,    // another compositing manager runs
};

// A reason why the overlay cannot start or go on, with the exit code it ends
// with.
class StartupError : public std::runtime_error {
public:
    StartupError(const std::string& message, ExitCode code = kExitCannotRun)
        : std::runtime_error(message), code_(code) {}
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

// Event and error numbers of the extensions the overlay uses.
struct Extensions {
    int damageEventBase = 0, damageErrorBase = 0;
    int fixesEventBase = 0, fixesErrorBase = 0;
    int shapeEventBase = 0, shapeErrorBase = 0;
    int randrEventBase = 0, randrErrorBase = 0;
    int renderEventBase = 0, renderErrorBase = 0;
};

// The connection. While one is open, X errors go to an active ErrorTrap;
// without one, errors that a vanished window causes (a window destroyed
// between an event and the requests that follow it, the classic race of a
// compositing manager) are ignored and others are reported on stderr: none
// ends the process. A lost connection ends it with kExitCannotRun.
class DisplayConnection {
public:
    // Opens the named display (null: $DISPLAY). Throws StartupError.
    explicit DisplayConnection(const char* name);
    DisplayConnection(const DisplayConnection&) = delete;
    DisplayConnection& operator=(const DisplayConnection&) = delete;
    ~DisplayConnection();

    Display* get() const { return display_; }
    const std::string& name() const { return name_; }

private:
    Display* display_;
    std::string name_;
};

// Checks Composite 0.3, DAMAGE 1.1, XFIXES 2.0, SHAPE 1.1, RENDER 0.6, RANDR
// 1.3 and MIT-SHM 1.1; throws a StartupError that names every missing or too
// old one. The error handler learns the extensions' error numbers from it.
Extensions requireExtensions(Display* display);

// Collects the first X error of the requests made while it exists.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display);
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    ~ErrorTrap();

    // Waits until the server has handled every request so far and returns
    // the error code of the first one that failed, or 0 (Success).
    int firstError();

private:
    friend int handleXError(Display*, XErrorEvent*);
    Display* display_;
    unsigned long firstSerial_;
    int errorCode_ = 0;
    ErrorTrap* outer_;
};

}  // namespace velmora::x11

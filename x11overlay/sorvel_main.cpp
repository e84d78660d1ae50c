// sorvel: shows an X11 screen in gray, live, while the user goes on working
// with it. It acts as the screen's compositing manager and paints every
// window, exactly converted to gray, on the composite overlay window, which
// lets all input through to the windows beneath.
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "compositor.h"
#include "signal_watch.h"
#include "x_connection.h"

namespace {

using namespace velmora::x11;

constexpr const char* kUsage =
    "Usage: sorvel [--display NAME]\n"
    "\n"
    "Shows the X11 screen in gray, live: every pixel becomes the truncated\n"
    "0.299 red + 0.587 green + 0.114 blue of its colour. Clicks and keys reach\n"
    "the windows as usual. sorvel is the screen's compositing manager while it\n"
    "runs, so it needs an X11 session without another one.\n"
    "\n"
    "  -d, --display NAME  the X display to use (default: $DISPLAY)\n"
    "  -h, --help          show this text\n"
    "\n"
    "Ctrl+Alt+Q, Ctrl+C, SIGINT or SIGTERM end it and bring the colours back.\n"
    "\n"
    "Exit status: 0 ended as asked, 1 cannot run (no display, missing X\n"
    "extensions, unsupported screen, lost connection), 2 wrong command line,\n"
    "3 another compositing manager runs.\n";

struct Options {
    const char* display = nullptr;
    bool help = false;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            options.help = true;
        } else if ((argument == "-d" || argument == "--display" || argument == "-display") && i + 1 < argc) {
            options.display = argv[++i];
        } else if (argument.rfind("--display=", 0) == 0) {
            options.display = argv[i] + std::strlen("--display=");
        } else {
            std::fprintf(stderr, "sorvel: unknown argument \"%s\"\n%s", argv[i], kUsage);
            return false;
        }
    }
    return true;
}

void reportEnding(const Ending& ending) {
    if (ending.cause == Ending::Cause::Replaced) {
        std::fputs("sorvel: another compositing manager took over the screen; ending\n", stderr);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) return kExitUsage;
    if (options.help) {
        std::fputs(kUsage, stdout);
        return kExitEnded;
    }
    // A closed terminal or pipe must not end the process before it has given
    // the windows back.
    signal(SIGPIPE, SIG_IGN);
    try {
        SignalWatch signals;
        DisplayConnection connection(options.display);
        const Extensions extensions = requireExtensions(connection.get());

        Compositor compositor(connection.get(), extensions);
        compositor.catchUp();
        std::printf("sorvel: showing %s in gray (%d x %d); Ctrl+Alt+Q ends it\n", connection.name().c_str(),
                    compositor.width(), compositor.height());
        std::fflush(stdout);
        if (!compositor.quitKeyGrabbed()) {
            std::fputs("sorvel: Ctrl+Alt+Q is taken by another program; end sorvel with Ctrl+C or SIGTERM\n",
                       stderr);
        }
        reportEnding(compositor.run(signals));
    } catch (const StartupError& error) {
        std::fprintf(stderr, "sorvel: %s\n", error.what());
        return error.code();
    }
    return kExitEnded;
}

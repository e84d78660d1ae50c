// sorvel on its own Xvfb at 1920 x 1080, over a desktop-like scene:
//  - a full-screen refresh in this process, stage by stage, against a
//    memcpy of the frame, and the gray conversion's share of it;
//  - the program itself: latency from a client's change to the gray picture,
//    frames shown and CPU used (sorvel and the X server) while a window
//    moves, while an area is redrawn, and while the screen is still;
//  - picom with a grayscale shader on the same scene, where it runs.
// Every ratio compares figures measured in this one run.
#include <X11/Xlib.h>
#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "compositor.h"
#include "gray_conversion_bgrx.h"
#include "scene_client.h"
#include "virtual_display.h"
#include "x_connection.h"

namespace {

using namespace velmora;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1920, kHeight = 1080;
constexpr int kFrames = 100;
constexpr auto kRefresh = std::chrono::microseconds(16667);
constexpr auto kPhase = 3s;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// What a desktop shows: a photo-like background, a document of dark text on
// white, a picture, a terminal of light text on dark.
test::Pattern documentText() {
    return [](int x, int y) -> test::Colour {
        const bool line = y % 18 < 12 && x > 30 && x < 1000;
        const bool ink = line && (x / 7 + y / 18) % 5 != 0 && (x * 31 + y * 17) % 11 < 4;
        return ink ? 0x202020 : 0xFFFFFF;
    };
}

test::Pattern terminalText() {
    return [](int x, int y) -> test::Colour {
        const bool ink = y % 16 < 11 && (x * 13 + y * 7) % 9 < 3 && x % 8 != 0;
        return ink ? 0xD0F0D0 : 0x101418;
    };
}

struct Scene {
    Scene(test::TestClient& client) : windows(client) {
        client.setRootBackground(kWidth, kHeight, test::gradient(), false);
        windows.add({.x = 80, .y = 60, .width = 1100, .height = 800, .borderWidth = 1, .border = 0x808080,
                     .content = documentText()});
        windows.add({.x = 1150, .y = 300, .width = 640, .height = 480, .content = test::gradient()});
        windows.add({.x = 400, .y = 620, .width = 800, .height = 400, .content = terminalText()});
        client.sync();
    }
    test::Scene windows;
};

// ---- the full-screen refresh, in this process ----------------------------

struct ConversionFigure {
    std::string routine;
    double ms = 0;  // median over kFrames
};

struct RefreshFigures {
    x11::FrameTimes stages;  // summed over kFrames, each stage waited for
    double wholeMs = 0;      // per frame, the stages not waited for
    double memcpyMs = 0;
    std::vector<ConversionFigure> conversions;  // of one colour frame, alone
};

double memcpyMilliseconds() {
    const std::size_t bytes = 4 * static_cast<std::size_t>(kWidth) * kHeight;
    std::vector<unsigned char> from(bytes, 0x5A), to(bytes);
    std::vector<double> times;
    for (int i = 0; i < kFrames; ++i) {
        from[static_cast<std::size_t>(i)] ^= 1;
        const auto start = Clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        asm volatile("" : : "r"(to.data()) : "memory");
        times.push_back(millisecondsSince(start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The screen's colour frame as the overlay fetches it: 32-bit pixels.
std::vector<std::uint8_t> colourFrame(Display* display) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    std::vector<std::uint8_t> pixels(4 * static_cast<std::size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        std::memcpy(&pixels[4 * static_cast<std::size_t>(y) * kWidth], image->data + static_cast<std::ptrdiff_t>(y) * image->bytes_per_line,
                    4 * static_cast<std::size_t>(kWidth));
    }
    XDestroyImage(image);
    return pixels;
}

// Each 32-bit-pixel variant this CPU runs, and the dispatched one, on fresh
// copies of the frame.
std::vector<ConversionFigure> measureConversions(const std::vector<std::uint8_t>& frame) {
    std::vector<std::pair<std::string, gray::RowConverter>> routines;
    for (const Variant<gray::RowConverter>& variant : gray::bgrxRowConverterVariants()) {
        if (variant.supportedByThisCpu) routines.emplace_back(variant.name, variant.function);
    }
    routines.emplace_back("dispatched", gray::bgrxRowConverterDispatch().chosen());
    std::vector<ConversionFigure> figures;
    std::vector<std::uint8_t> pixels(frame.size());
    for (const auto& [name, convert] : routines) {
        std::vector<double> times;
        for (int i = 0; i < kFrames; ++i) {
            std::memcpy(pixels.data(), frame.data(), frame.size());
            const auto start = Clock::now();
            gray::convertBgrxImage(pixels.data(), kWidth, kHeight, 4 * static_cast<std::size_t>(kWidth), convert);
            asm volatile("" : : "r"(pixels.data()) : "memory");
            times.push_back(millisecondsSince(start));
        }
        std::sort(times.begin(), times.end());
        figures.push_back({name, times[times.size() / 2]});
    }
    return figures;
}

RefreshFigures measureRefresh(const std::string& display) {
    x11::DisplayConnection connection(display.c_str());
    const x11::Extensions extensions = x11::requireExtensions(connection.get());
    RefreshFigures figures;
    figures.conversions = measureConversions(colourFrame(connection.get()));
    x11::Compositor compositor(connection.get(), extensions);
    compositor.catchUp();
    for (int i = 0; i < 10; ++i) compositor.repaintScreen(nullptr);
    XSync(connection.get(), False);

    for (int i = 0; i < kFrames; ++i) compositor.repaintScreen(&figures.stages);
    const auto start = Clock::now();
    for (int i = 0; i < kFrames; ++i) {
        compositor.repaintScreen(nullptr);
        XSync(connection.get(), False);
    }
    figures.wholeMs = millisecondsSince(start) / kFrames;
    figures.memcpyMs = memcpyMilliseconds();
    return figures;
}

// ---- a compositing manager at work ---------------------------------------

// Watches the composite overlay window, where a compositing manager paints,
// for what it paints.
class OverlayWatch {
public:
    OverlayWatch(test::TestClient& client, int damageEventBase) : client_(client), damageEventBase_(damageEventBase) {
        Display* display = client_.display();
        overlay_ = XCompositeGetOverlayWindow(display, client_.root());
        damage_ = XDamageCreate(display, overlay_, XDamageReportNonEmpty);
        client_.sync();
    }
    ~OverlayWatch() {
        XDamageDestroy(client_.display(), damage_);
        XCompositeReleaseOverlayWindow(client_.display(), client_.root());
        client_.sync();
    }

    void forgetPaints() {
        XDamageSubtract(client_.display(), damage_, None, None);
        client_.sync();
        XEvent event;
        while (XCheckTypedEvent(client_.display(), damageEventBase_ + XDamageNotify, &event)) {
        }
    }

    // Waits until the overlay has been painted; false after `timeout`.
    bool waitForPaint(std::chrono::milliseconds timeout) {
        Display* display = client_.display();
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            XEvent event;
            if (XCheckTypedEvent(display, damageEventBase_ + XDamageNotify, &event)) {
                XDamageSubtract(display, damage_, None, None);
                return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return false;
            pollfd wait{ConnectionNumber(display), POLLIN, 0};
            XFlush(display);
            poll(&wait, 1, static_cast<int>(left.count()));
        }
    }

    // Counts the refreshes in which the overlay was painted, until `until`,
    // while `step` changes the screen once a refresh.
    int paintedRefreshesWhile(Clock::time_point until, const std::function<void(int)>& step) {
        int painted = 0;
        for (int frame = 0; Clock::now() < until; ++frame) {
            const auto next = Clock::now() + kRefresh;
            step(frame);
            client_.sync();
            bool paintedThisRefresh = false;
            while (Clock::now() < next) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
                paintedThisRefresh |= waitForPaint(left);
            }
            painted += paintedThisRefresh;
        }
        return painted;
    }

private:
    test::TestClient& client_;
    int damageEventBase_;
    Window overlay_ = None;
    Damage damage_ = None;
};

test::Colour pixelAt(const test::TestClient& client, int x, int y) {
    XImage* image = XGetImage(client.display(), client.root(), x, y, 1, 1, AllPlanes, ZPixmap);
    const test::Colour colour = static_cast<test::Colour>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return colour;
}

bool isGray(test::Colour colour) {
    return (colour & 0xFF) == ((colour >> 8) & 0xFF) && (colour & 0xFF) == ((colour >> 16) & 0xFF);
}

struct LiveFigures {
    std::string name{};
    bool ran = false;
    std::string note{};
    double latencyMedianMs = 0, latencyMaxMs = 0;
    double movingFps = 0, redrawFps = 0;
    double movingCpu = 0, movingServerCpu = 0;   // per cent of one core
    double redrawCpu = 0, redrawServerCpu = 0;
    double stillCpu = 0, stillServerCpu = 0;
};

struct CpuMeter {
    pid_t program, server;
    double programStart, serverStart;
    Clock::time_point start;
    CpuMeter(pid_t program, pid_t server)
        : program(program), server(server), programStart(test::cpuSecondsOf(program)),
          serverStart(test::cpuSecondsOf(server)), start(Clock::now()) {}
    std::pair<double, double> percent() const {
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return {100 * (test::cpuSecondsOf(program) - programStart) / seconds,
                100 * (test::cpuSecondsOf(server) - serverStart) / seconds};
    }
};

LiveFigures measureLive(const std::string& name, const std::vector<std::string>& command, const char* readyText,
                        test::VirtualDisplay& server, test::TestClient& client, int damageEventBase) {
    LiveFigures figures;
    figures.name = name;
    Display* display = client.display();
    test::SceneWindow ticker(client, {.x = 1500, .y = 40, .width = 300, .height = 200,
                                      .content = test::flat(0x3060C0), .overrideRedirect = true});
    ticker.map();
    client.sync();

    test::ChildProcess program(command, server.name());
    if (readyText != nullptr) {
        if (!program.waitForOutput(readyText, 10s)) {
            figures.note = "did not start: " + program.errors();
            return figures;
        }
    } else {
        const Atom selection = XInternAtom(display, "_NET_WM_CM_S0", False);
        for (int i = 0; i < 100 && XGetSelectionOwner(display, selection) == None; ++i) std::this_thread::sleep_for(100ms);
        std::this_thread::sleep_for(1s);
        if (XGetSelectionOwner(display, selection) == None || program.waitForExit(0ms)) {
            figures.note = "did not start: " + program.errors();
            return figures;
        }
    }
    if (!isGray(pixelAt(client, 1650, 140))) {
        figures.note = "does not show the screen in gray";
        return figures;
    }
    figures.ran = true;
    {
        OverlayWatch watch(client, damageEventBase);
        const GC gc = XCreateGC(display, ticker.id(), 0, nullptr);
        const test::Colour colours[] = {0xE02020, 0x20C040, 0x2040F0, 0xF0C000};

        // Latency: one change at a time on a still screen, until its gray shows.
        std::vector<double> latencies;
        test::Colour shown = pixelAt(client, 1650, 140);
        for (int i = 0; i < 60; ++i) {
            std::this_thread::sleep_for(40ms);
            watch.forgetPaints();
            XSetForeground(display, gc, colours[i % 4]);
            XFillRectangle(display, ticker.id(), gc, 0, 0, 300, 200);
            client.sync();
            const auto changed = Clock::now();
            while (watch.waitForPaint(1000ms)) {
                const test::Colour now = pixelAt(client, 1650, 140);
                if (now != shown && isGray(now)) {
                    latencies.push_back(millisecondsSince(changed));
                    shown = now;
                    break;
                }
            }
        }
        std::sort(latencies.begin(), latencies.end());
        if (!latencies.empty()) {
            figures.latencyMedianMs = latencies[latencies.size() / 2];
            figures.latencyMaxMs = latencies.back();
        }
        if (latencies.size() < 60) figures.note = std::to_string(60 - latencies.size()) + " changes not seen";

        // A window moving, one step a refresh.
        {
            const CpuMeter meter(program.pid(), server.pid());
            const int paints = watch.paintedRefreshesWhile(Clock::now() + kPhase, [&](int frame) {
                ticker.moveTo(1000 + (frame * 12) % 600, 40 + (frame * 5) % 300);
            });
            std::tie(figures.movingCpu, figures.movingServerCpu) = meter.percent();
            figures.movingFps = paints / std::chrono::duration<double>(kPhase).count();
        }
        ticker.moveTo(1500, 40);
        // An area redrawn every refresh, as a video would be.
        {
            const CpuMeter meter(program.pid(), server.pid());
            const int paints = watch.paintedRefreshesWhile(Clock::now() + kPhase, [&](int frame) {
                XSetForeground(display, gc, colours[frame % 4]);
                XFillRectangle(display, ticker.id(), gc, 0, 0, 300, 200);
            });
            std::tie(figures.redrawCpu, figures.redrawServerCpu) = meter.percent();
            figures.redrawFps = paints / std::chrono::duration<double>(kPhase).count();
        }
        XFreeGC(display, gc);
    }
    // The screen still.
    std::this_thread::sleep_for(300ms);
    const CpuMeter meter(program.pid(), server.pid());
    std::this_thread::sleep_for(kPhase);
    std::tie(figures.stillCpu, figures.stillServerCpu) = meter.percent();

    program.sendSignal(SIGTERM);
    program.waitForExit(5s);
    return figures;
}

// A grayscale shader for picom's GLX backend: the same weights, in the
// GPU's single precision and rounding rather than truncated doubles.
constexpr const char* kPicomGrayShader = R"(
uniform sampler2D tex;
uniform float opacity;
void main() {
    vec4 c = texture2D(tex, gl_TexCoord[0].xy);
    float y = dot(c.rgb, vec3(0.299, 0.587, 0.114));
    gl_FragColor = vec4(y, y, y, c.a) * opacity;
}
)";

std::optional<std::string> picomProgram() {
    for (const char* path : {"/usr/bin/picom", "/usr/local/bin/picom"}) {
        if (access(path, X_OK) == 0) return std::string(path);
    }
    return std::nullopt;
}

void printRefresh(const RefreshFigures& figures) {
    const x11::FrameTimes& t = figures.stages;
    const double compose = 1000 * t.composeSeconds / kFrames, fetch = 1000 * t.copy.fetchSeconds / kFrames,
                 convert = 1000 * t.copy.convertSeconds / kFrames, put = 1000 * t.copy.putSeconds / kFrames;
    const double staged = compose + fetch + convert + put;
    std::printf("Full-screen refresh, %d x %d, mean of %d frames in this process\n", kWidth, kHeight, kFrames);
    std::printf("  %-44s %9s %8s\n", "stage (each waited for)", "ms", "share");
    const auto row = [staged](const char* stage, double ms) {
        std::printf("  %-44s %9.3f %7.1f %%\n", stage, ms, 100 * ms / staged);
    };
    row("compose the windows in the server (RENDER)", compose);
    row("fetch into shared memory (MIT-SHM)", fetch);
    row("gray conversion (32-bit rows, dispatched)", convert);
    row("put on the overlay window (MIT-SHM)", put);
    row("all stages", staged);
    std::printf("  %-44s %9.3f\n", "a whole frame, stages not waited for", figures.wholeMs);
    std::printf("  %-44s %9.3f\n", "memcpy of the frame (8,294,400 bytes, median)", figures.memcpyMs);
    std::printf("  %-44s %9.2f\n", "whole frame / memcpy", figures.wholeMs / figures.memcpyMs);
    std::printf("  %-44s %9.2f\n", "gray conversion / memcpy", convert / figures.memcpyMs);
    std::printf("  %-44s %8.1f %%\n\n", "gray conversion's share of a whole frame", 100 * convert / figures.wholeMs);

    std::printf("Gray conversion of the colour frame alone (median of %d)\n", kFrames);
    std::printf("  %-12s %9s %10s %14s\n", "routine", "ms", "x memcpy", "plain / this");
    for (const ConversionFigure& c : figures.conversions) {
        std::printf("  %-12s %9.3f %10.2f %14.2f\n", c.routine.c_str(), c.ms, c.ms / figures.memcpyMs,
                    figures.conversions.front().ms / c.ms);
    }
    std::printf("\n");
}

void printLive(const std::vector<LiveFigures>& all) {
    std::printf("A compositing manager at work on the same scene (CPU in %% of one core: program + X server)\n");
    std::printf("  %-8s %14s %14s %20s %20s %16s\n", "program", "latency ms", "refreshes/s", "CPU moving %",
                "CPU redrawing %", "CPU still %");
    std::printf("  %-8s %14s %14s %20s %20s %16s\n", "", "median (max)", "moving/redraw", "", "", "");
    for (const LiveFigures& f : all) {
        if (!f.ran) {
            std::printf("  %-8s not measured: %s\n", f.name.c_str(), f.note.c_str());
            continue;
        }
        char latency[32], fps[32], moving[32], redraw[32], still[32];
        std::snprintf(latency, sizeof latency, "%.1f (%.1f)", f.latencyMedianMs, f.latencyMaxMs);
        std::snprintf(fps, sizeof fps, "%.0f / %.0f", f.movingFps, f.redrawFps);
        std::snprintf(moving, sizeof moving, "%.1f + %.1f", f.movingCpu, f.movingServerCpu);
        std::snprintf(redraw, sizeof redraw, "%.1f + %.1f", f.redrawCpu, f.redrawServerCpu);
        std::snprintf(still, sizeof still, "%.1f + %.1f", f.stillCpu, f.stillServerCpu);
        std::printf("  %-8s %14s %14s %20s %20s %16s%s%s\n", f.name.c_str(), latency, fps, moving, redraw, still,
                    f.note.empty() ? "" : "  ", f.note.c_str());
    }
    if (all.size() >= 2 && all[0].ran && all[1].ran) {
        std::printf("  %s / %s: latency %.2f, CPU moving %.2f, CPU redrawing %.2f (program + server)\n",
                    all[1].name.c_str(), all[0].name.c_str(), all[1].latencyMedianMs / all[0].latencyMedianMs,
                    (all[1].movingCpu + all[1].movingServerCpu) / (all[0].movingCpu + all[0].movingServerCpu),
                    (all[1].redrawCpu + all[1].redrawServerCpu) / (all[0].redrawCpu + all[0].redrawServerCpu));
    }
}

}  // namespace

int main() {
    test::VirtualDisplay server({.width = kWidth, .height = kHeight});
    test::TestClient client(server.name());
    Scene scene(client);
    std::this_thread::sleep_for(200ms);

    printRefresh(measureRefresh(server.name()));

    int damageEventBase = 0, damageErrorBase = 0;
    XDamageQueryExtension(client.display(), &damageEventBase, &damageErrorBase);
    std::vector<LiveFigures> live;
    live.push_back(measureLive("sorvel", {SORVEL_PROGRAM}, "sorvel: showing", server, client, damageEventBase));
    if (const auto picom = picomProgram()) {
        live.push_back(measureLive("picom", {*picom, "--backend", "glx", "--glx-fshader-win", kPicomGrayShader},
                                   nullptr, server, client, damageEventBase));
    } else {
        LiveFigures missing;
        missing.name = "picom";
        missing.note = "not installed (Debian package picom)";
        live.push_back(missing);
    }
    printLive(live);
    return 0;
}

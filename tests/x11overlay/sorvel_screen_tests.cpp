// What sorvel shows, checked on Xvfb with real X clients: every pixel the
// exact gray of the screen without it, changes shown without any further
// event, screen size changes followed, and input passing through.
// GoogleTest first: Xlib defines None as a macro.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

#include <csignal>
#include <thread>

#include "scene_client.h"
#include "sorvel_run.h"
#include "virtual_display.h"

namespace velmora::test {
namespace {

constexpr Colour kWhite = 0xFFFFFF;

// Waits until two captures a moment apart agree: the clients have drawn.
ScreenImage settledScreen(const TestClient& client) {
    ScreenImage last = client.capture();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::this_thread::sleep_for(100ms);
        ScreenImage now = client.capture();
        if (now.pixels == last.pixels) return now;
        last = std::move(now);
    }
    ADD_FAILURE() << "the screen did not settle";
    return last;
}

// The screen of a desktop: a tiled background, windows of every kind, one
// of them a real X program (xlogo, which draws itself on every expose).
TEST(SorvelScreen, EveryPixelIsTheGrayOfTheScreenWithoutTheOverlay) {
    VirtualDisplay server({.width = 1920, .height = 1080});
    TestClient client(server.name());
    client.setRootBackground(61, 37, noise(1), false);
    Scene scene(client);
    scene.add({.x = 40, .y = 30, .width = 700, .height = 500, .content = noise(2)});
    scene.add({.x = 600, .y = 200, .width = 640, .height = 400, .borderWidth = 9, .border = 0xC08040,
               .content = gradient()});
    scene.add({.x = 300, .y = 650, .width = 520, .height = 300, .content = grayRamp()});
    // A 32-bit window with every alpha value, over the others.
    scene.add({.x = 500, .y = 480, .width = 400, .height = 256, .borderWidth = 2, .border = 0xFF2080F0,
               .content = [](int x, int y) { return static_cast<Colour>(y) << 24 | (noise(3)(x, y) & 0xFFFFFF); },
               .argb = true});
    SceneWindow& shaped = scene.add({.x = 1300, .y = 100, .width = 300, .height = 300,
                                     .content = stripes(0xFF0000, 0x00FF80, 7)});
    shaped.setBoundingShape({{100, 0, 100, 300}, {0, 100, 300, 100}, {20, 20, 30, 30}});
    scene.add({.x = 1250, .y = 350, .width = 200, .height = 120, .content = flat(0x3366CC), .overrideRedirect = true});
    scene.add({.x = -60, .y = 900, .width = 400, .height = 300, .borderWidth = 4, .border = kWhite,
               .content = noise(4)});
    SceneWindow& parent = scene.add({.x = 1000, .y = 700, .width = 400, .height = 300, .content = gradient()});
    const Window child = XCreateSimpleWindow(client.display(), parent.id(), 40, 30, 200, 120, 3, 0x00FF00, 0xAA3311);
    XMapWindow(client.display(), child);
    scene.add({.x = 10, .y = 10, .width = 300, .height = 300, .content = flat(0xFF00FF)}).unmap();
    const Window inputOnly = XCreateWindow(client.display(), client.root(), 0, 0, 1920, 1080, 0, 0, InputOnly,
                                           CopyFromParent, 0, nullptr);
    XMapWindow(client.display(), inputOnly);
    ChildProcess xlogo({"/usr/bin/xlogo", "-geometry", "260x260+1560+560", "-bg", "#e02020", "-fg", "#2040ff",
                        "-render", "-shape"},
                       server.name());
    client.sync();
    std::this_thread::sleep_for(300ms);
    const ScreenImage colour = settledScreen(client);

    auto sorvel = startSorvel(server.name());
    EXPECT_EQ(client.waitForScreen(grayOf(colour), kShowTimeout), "");

    sorvel->sendSignal(SIGTERM);
    EXPECT_EQ(sorvel->waitForExit(kShowTimeout), 0);
}

class SorvelLive : public ::testing::Test {
protected:
    SorvelLive() : server_({.width = 1366, .height = 768}), client_(server_.name()), scene_(client_) {
        client_.setRootBackground(50, 30, gradient(), false);
    }

    // Waits until the screen shows the gray of the scene's model, which
    // sorvel must paint without any further event.
    void expectGrayScene(const char* step) {
        const auto start = std::chrono::steady_clock::now();
        client_.sync();
        EXPECT_EQ(client_.waitForScreen(grayOf(scene_.model(client_.screenWidth(), client_.screenHeight())),
                                        kShowTimeout),
                  "")
            << step;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        slowest_ = std::max(slowest_, ms);
    }

    void TearDown() override { RecordProperty("slowest_step_ms", static_cast<int>(slowest_.count())); }

    VirtualDisplay server_;
    TestClient client_;
    Scene scene_;
    std::chrono::milliseconds slowest_{0};
};

TEST_F(SorvelLive, WindowsOpenedMovedRedrawnAndClosedShowInGray) {
    SceneWindow& first = scene_.add({.x = 100, .y = 100, .width = 400, .height = 300, .borderWidth = 3,
                                     .border = 0x10E0E0, .content = noise(3)});
    SceneWindow& second = scene_.add({.x = 300, .y = 250, .width = 500, .height = 200, .content = grayRamp()});
    client_.sync();
    // The model is right about the screen before sorvel runs.
    ASSERT_EQ(client_.waitForScreen(scene_.model(1366, 768), kShowTimeout), "");

    auto sorvel = startSorvel(server_.name());
    expectGrayScene("at start");

    SceneWindow& third = scene_.add({.x = 900, .y = 50, .width = 300, .height = 400, .content = noise(4),
                                     .overrideRedirect = true});
    expectGrayScene("a window opened");
    third.moveTo(700, 300);
    expectGrayScene("a window moved");
    third.moveTo(-100, 600);
    expectGrayScene("a window moved partly off the screen");
    third.redraw(noise(5));
    expectGrayScene("a window redrawn");
    SceneWindow& shaped = scene_.add({.x = 1000, .y = 100, .width = 200, .height = 200, .borderWidth = 2,
                                      .border = 0xFFFF00, .content = stripes(0x0000FF, 0xFF4000, 5)});
    shaped.setBoundingShape({{0, 60, 200, 80}, {60, -2, 80, 204}});
    expectGrayScene("a shaped window opened");
    shaped.moveTo(150, 380);
    expectGrayScene("a shaped window moved");
    shaped.setBoundingShape({{20, 20, 160, 160}});
    expectGrayScene("a window's shape changed");
    first.resize(600, 420);
    expectGrayScene("a window resized");
    scene_.raise(first);
    expectGrayScene("a window raised");
    scene_.lower(first);
    expectGrayScene("a window lowered");
    second.unmap();
    expectGrayScene("a window hidden");
    second.map();
    expectGrayScene("a window shown again");
    SceneWindow& frame = scene_.add({.x = 820, .y = 420, .width = 320, .height = 260, .borderWidth = 1,
                                     .border = 0x000000, .content = flat(0xC0C0C8)});
    scene_.reparent(third, &frame, 10, 30);
    expectGrayScene("a window put into a frame, as window managers do");
    third.redraw(gradient());
    expectGrayScene("a window redrawn inside its frame");
    scene_.reparent(third, nullptr, 40, 500);
    expectGrayScene("a window taken out of its frame");
    scene_.remove(third);
    expectGrayScene("a window closed");
    client_.setRootBackground(40, 40, noise(9), true);
    expectGrayScene("a new desktop background announced");

    sorvel->sendSignal(SIGTERM);
    EXPECT_EQ(sorvel->waitForExit(kShowTimeout), 0);
}

// Xvfb's screen may shrink below its start size and grow back: the output
// is switched off, the screen resized, and the output set to a mode again.
void setScreenSize(const TestClient& client, int width, int height) {
    Display* display = client.display();
    XRRScreenResources* resources = XRRGetScreenResources(display, client.root());
    ASSERT_NE(resources, nullptr);
    ASSERT_GE(resources->ncrtc, 1);
    XRRSetCrtcConfig(display, resources, resources->crtcs[0], CurrentTime, 0, 0, None, RR_Rotate_0, nullptr, 0);
    XRRSetScreenSize(display, client.root(), width, height, width * 254 / 960, height * 254 / 960);
    for (int m = 0; m < resources->nmode; ++m) {
        if (static_cast<int>(resources->modes[m].width) == width && static_cast<int>(resources->modes[m].height) == height) {
            XRRSetCrtcConfig(display, resources, resources->crtcs[0], CurrentTime, 0, 0, resources->modes[m].id,
                             RR_Rotate_0, resources->outputs, 1);
        }
    }
    XRRFreeScreenResources(resources);
    client.sync();
}

// sorvel starts on a smaller screen, which then grows (the overlay's
// buffers with it) and shrinks again.
TEST_F(SorvelLive, ScreenSizeChangesAreFollowed) {
    scene_.add({.x = 700, .y = 400, .width = 600, .height = 300, .borderWidth = 5, .border = 0xFF8000,
                .content = noise(7)});
    setScreenSize(client_, 1023, 700);
    ASSERT_EQ(client_.screenWidth(), 1023);
    auto sorvel = startSorvel(server_.name());
    EXPECT_NE(sorvel->output().find("(1023 x 700)"), std::string::npos) << sorvel->output();
    expectGrayScene("at start, 1023 x 700");

    setScreenSize(client_, 1366, 768);
    ASSERT_EQ(client_.screenWidth(), 1366);
    expectGrayScene("grown to 1366 x 768");
    setScreenSize(client_, 800, 600);
    expectGrayScene("shrunk to 800 x 600");

    sorvel->sendSignal(SIGTERM);
    EXPECT_EQ(sorvel->waitForExit(kShowTimeout), 0);
}

// Waits for an event of `type` on `window`.
std::optional<XEvent> nextEvent(const TestClient& client, Window window, int type) {
    const auto deadline = std::chrono::steady_clock::now() + kShowTimeout;
    XEvent event;
    while (std::chrono::steady_clock::now() < deadline) {
        if (XCheckTypedWindowEvent(client.display(), window, type, &event)) return event;
        std::this_thread::sleep_for(5ms);
    }
    return std::nullopt;
}

TEST_F(SorvelLive, ClicksAndKeysReachTheWindowsBeneath) {
    SceneWindow& target = scene_.add({.x = 200, .y = 150, .width = 300, .height = 200, .content = noise(11)});
    Display* display = client_.display();
    XSelectInput(display, target.id(), ButtonPressMask | KeyPressMask);
    XSelectInput(display, client_.root(), ButtonPressMask);
    auto sorvel = startSorvel(server_.name());
    expectGrayScene("at start");

    client_.click(260, 190);
    const std::optional<XEvent> onWindow = nextEvent(client_, target.id(), ButtonPress);
    ASSERT_TRUE(onWindow.has_value()) << "the click on the window did not reach it";
    EXPECT_EQ(onWindow->xbutton.x, 60);
    EXPECT_EQ(onWindow->xbutton.y, 40);

    client_.click(900, 600);
    const std::optional<XEvent> onDesktop = nextEvent(client_, client_.root(), ButtonPress);
    ASSERT_TRUE(onDesktop.has_value()) << "the click on the desktop did not reach the root window";
    EXPECT_EQ(onDesktop->xbutton.x_root, 900);

    XSetInputFocus(display, target.id(), RevertToParent, CurrentTime);
    client_.pressKeys({"a"});
    const std::optional<XEvent> key = nextEvent(client_, target.id(), KeyPress);
    ASSERT_TRUE(key.has_value()) << "the key did not reach the focused window";
    XEvent pressed = *key;
    EXPECT_EQ(XLookupKeysym(&pressed.xkey, 0), static_cast<KeySym>(XStringToKeysym("a")));

    sorvel->sendSignal(SIGTERM);
    EXPECT_EQ(sorvel->waitForExit(kShowTimeout), 0);
}

}  // namespace
}  // namespace velmora::test

// The tests' own X client: windows of known contents, screen captures, a
// model of what an X screen without a compositing manager shows, and input
// sent through XTEST as a user's would be.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velmora::test {

using Colour = std::uint32_t;  // 0xAARRGGBB; the alpha byte counts in 32-bit windows only

struct ScreenImage {
    int width = 0, height = 0;
    std::vector<Colour> pixels;  // 0x00RRGGBB, row by row

    Colour at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// What sorvel must show: every pixel the library's gray of its blue, green
// and red in all three channels.
ScreenImage grayOf(const ScreenImage& colour);
// Empty when the images are equal, else how many pixels differ and where
// the first one is.
std::string differences(const ScreenImage& actual, const ScreenImage& expected);

// Contents of a window or tile: the colour at (x, y) inside it.
using Pattern = std::function<Colour(int x, int y)>;
Pattern noise(unsigned seed);      // every pixel random
Pattern gradient();                // smooth colours across the window
Pattern grayRamp();                // every gray value, in stripes
Pattern flat(Colour colour);
Pattern stripes(Colour a, Colour b, int width);

class TestClient {
public:
    explicit TestClient(const std::string& displayName);
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;
    ~TestClient();

    Display* display() const { return display_; }
    Window root() const { return root_; }
    int screenWidth() const;
    int screenHeight() const;
    void sync() const;

    ScreenImage capture() const;
    // Waits until the screen shows `expected`; empty on success, else the
    // differences at the deadline.
    std::string waitForScreen(const ScreenImage& expected, std::chrono::milliseconds timeout) const;

    // Makes the root window's background a tile of `pattern`. Announced, the
    // tile is also named in _XROOTPMAP_ID as background setters do.
    void setRootBackground(int tileWidth, int tileHeight, const Pattern& pattern, bool announce);
    const Pattern& rootPattern() const { return rootPattern_; }
    int rootTileWidth() const { return rootTileWidth_; }
    int rootTileHeight() const { return rootTileHeight_; }

    // Input as a user's, through XTEST.
    void click(int x, int y) const;
    void pressKeys(const std::vector<const char*>& keysyms) const;

    // Fills `pixmap` (depth 24 or 32) with `pattern`.
    void paint(Drawable pixmap, int depth, int width, int height, const Pattern& pattern) const;

private:
    Display* display_;
    Window root_;
    Pattern rootPattern_;
    int rootTileWidth_ = 1, rootTileHeight_ = 1;
    Pixmap rootTile_ = None;
};

struct WindowSpec {
    int x = 0, y = 0, width = 1, height = 1;
    int borderWidth = 0;
    Colour border = 0;
    Pattern content;
    bool overrideRedirect = false;
    bool argb = false;  // a 32-bit window with an alpha channel
};

// A window whose contents are its background pixmap: the server redraws it
// whenever needed, without the test having to answer Expose events.
class SceneWindow {
public:
    SceneWindow(TestClient& client, const WindowSpec& spec);
    SceneWindow(const SceneWindow&) = delete;
    SceneWindow& operator=(const SceneWindow&) = delete;
    ~SceneWindow();

    Window id() const { return id_; }
    const WindowSpec& spec() const { return spec_; }
    bool mapped() const { return mapped_; }
    // Whether the window's bounding shape holds the pixel at (x, y) of its
    // outer rectangle (the border's corner is 0, 0).
    bool shows(int x, int y) const;

    void map();
    void unmap();
    void moveTo(int x, int y);
    void placedAt(int x, int y) { spec_.x = x, spec_.y = y; }
    void resize(int width, int height);
    void redraw(const Pattern& content);
    void setBoundingShape(const std::vector<XRectangle>& rectangles);

private:
    void showContents();

    TestClient& client_;
    WindowSpec spec_;
    Window id_;
    int depth_;
    Colormap colormap_ = None;
    bool mapped_ = false;
    std::vector<XRectangle> shape_;  // relative to the window's origin; empty: not shaped
};

// Windows in stacking order, and what the screen shows of them.
class Scene {
public:
    explicit Scene(TestClient& client) : client_(client) {}

    SceneWindow& add(const WindowSpec& spec);  // a child of the root, on top, mapped
    void remove(SceneWindow& window);
    void raise(SceneWindow& window);
    void lower(SceneWindow& window);
    // Moves the window into `parent` (as a window manager puts a client into
    // its frame), or back to the root for null, at (x, y) there, on top.
    void reparent(SceneWindow& window, SceneWindow* parent, int x, int y);

    // The screen as an X server without a compositing manager shows these
    // windows (opaque, in their bounding shapes) over the root's tile.
    ScreenImage model(int width, int height) const;

private:
    struct Area {
        int left, top, right, bottom;
    };
    void draw(ScreenImage& image, const SceneWindow& window, int parentX, int parentY, Area clip) const;
    std::vector<SceneWindow*>& siblingsOf(SceneWindow& window);

    TestClient& client_;
    std::vector<std::unique_ptr<SceneWindow>> windows_;
    std::vector<SceneWindow*> topLevel_;  // bottom to top
    std::map<const SceneWindow*, std::vector<SceneWindow*>> children_;  // bottom to top
    std::map<const SceneWindow*, SceneWindow*> parents_;
};

}  // namespace velmora::test

#include "scene_client.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "gray_conversion.h"

namespace velmora::test {
namespace {

std::uint32_t mix(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    return h ^ (h >> 15);
}

}  // namespace

ScreenImage grayOf(const ScreenImage& colour) {
    ScreenImage gray = colour;
    for (Colour& pixel : gray.pixels) {
        const std::uint8_t level = velmora::gray::grayLevel(static_cast<std::uint8_t>(pixel),
                                                            static_cast<std::uint8_t>(pixel >> 8),
                                                            static_cast<std::uint8_t>(pixel >> 16));
        pixel = level * 0x010101u;
    }
    return gray;
}

std::string differences(const ScreenImage& actual, const ScreenImage& expected) {
    if (actual.width != expected.width || actual.height != expected.height) {
        std::ostringstream text;
        text << "the screen is " << actual.width << " x " << actual.height << ", expected " << expected.width
             << " x " << expected.height;
        return text.str();
    }
    std::size_t count = 0, first = 0;
    for (std::size_t i = 0; i < actual.pixels.size(); ++i) {
        if (actual.pixels[i] != expected.pixels[i] && count++ == 0) first = i;
    }
    if (count == 0) return {};
    std::ostringstream text;
    text << count << " of " << actual.pixels.size() << " pixels differ; the first at (" << first % actual.width
         << ", " << first / actual.width << ") is 0x" << std::hex << actual.pixels[first] << ", expected 0x"
         << expected.pixels[first];
    return text.str();
}

Pattern noise(unsigned seed) {
    return [seed](int x, int y) {
        return 0xFF000000u | (mix(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), seed) & 0xFFFFFF);
    };
}

Pattern gradient() {
    return [](int x, int y) {
        return 0xFF000000u | static_cast<Colour>((x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x + 2 * y) & 0xFF));
    };
}

Pattern grayRamp() {
    return [](int x, int) { return 0xFF000000u | static_cast<Colour>((x / 2) & 0xFF) * 0x010101u; };
}

Pattern flat(Colour colour) {
    return [colour](int, int) { return colour; };
}

Pattern stripes(Colour a, Colour b, int width) {
    return [a, b, width](int x, int) { return (x / width) % 2 == 0 ? a : b; };
}

TestClient::TestClient(const std::string& displayName) : display_(XOpenDisplay(displayName.c_str())) {
    if (display_ == nullptr) throw std::runtime_error(std::string("cannot open ").append(displayName));
    root_ = DefaultRootWindow(display_);
}

TestClient::~TestClient() {
    if (rootTile_ != None) XFreePixmap(display_, rootTile_);
    XCloseDisplay(display_);
}

int TestClient::screenWidth() const {
    XWindowAttributes attributes;
    XGetWindowAttributes(display_, root_, &attributes);
    return attributes.width;
}

int TestClient::screenHeight() const {
    XWindowAttributes attributes;
    XGetWindowAttributes(display_, root_, &attributes);
    return attributes.height;
}

void TestClient::sync() const { XSync(display_, False); }

ScreenImage TestClient::capture() const {
    ScreenImage image{screenWidth(), screenHeight(), {}};
    XImage* shot = XGetImage(display_, root_, 0, 0, static_cast<unsigned>(image.width),
                             static_cast<unsigned>(image.height), AllPlanes, ZPixmap);
    if (shot == nullptr) throw std::runtime_error("cannot capture the screen");
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(shot->data + static_cast<std::ptrdiff_t>(y) * shot->bytes_per_line);
        for (int x = 0; x < image.width; ++x) {
            image.pixels[static_cast<std::size_t>(y) * image.width + x] = row[x] & 0xFFFFFF;
        }
    }
    XDestroyImage(shot);
    return image;
}

std::string TestClient::waitForScreen(const ScreenImage& expected, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::string difference = differences(capture(), expected);
        if (difference.empty() || std::chrono::steady_clock::now() >= deadline) return difference;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void TestClient::paint(Drawable pixmap, int depth, int width, int height, const Pattern& pattern) const {
    XVisualInfo info{};
    if (!XMatchVisualInfo(display_, DefaultScreen(display_), depth, TrueColor, &info)) {
        throw std::runtime_error(std::string("no TrueColor visual of depth ").append(std::to_string(depth)));
    }
    auto* data = static_cast<char*>(std::malloc(4 * static_cast<std::size_t>(width) * height));
    XImage* image = XCreateImage(display_, info.visual, static_cast<unsigned>(depth), ZPixmap, 0, data,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (image->bits_per_pixel != 32 || image->byte_order != LSBFirst) {
        throw std::runtime_error("the tests expect 32-bit pixels, least significant byte first");
    }
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image->data + static_cast<std::ptrdiff_t>(y) * image->bytes_per_line);
        for (int x = 0; x < width; ++x) row[x] = depth == 32 ? pattern(x, y) : pattern(x, y) & 0xFFFFFF;
    }
    GC gc = XCreateGC(display_, pixmap, 0, nullptr);
    XPutImage(display_, pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFreeGC(display_, gc);
    XDestroyImage(image);
}

void TestClient::setRootBackground(int tileWidth, int tileHeight, const Pattern& pattern, bool announce) {
    const Pixmap tile = XCreatePixmap(display_, root_, static_cast<unsigned>(tileWidth),
                                      static_cast<unsigned>(tileHeight),
                                      static_cast<unsigned>(DefaultDepth(display_, DefaultScreen(display_))));
    paint(tile, DefaultDepth(display_, DefaultScreen(display_)), tileWidth, tileHeight, pattern);
    XSetWindowBackgroundPixmap(display_, root_, tile);
    XClearWindow(display_, root_);
    if (announce) {
        XChangeProperty(display_, root_, XInternAtom(display_, "_XROOTPMAP_ID", False), XA_PIXMAP, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&tile), 1);
    }
    // The announced pixmap must live on; the one before it may go.
    if (rootTile_ != None) XFreePixmap(display_, rootTile_);
    rootTile_ = tile;
    rootPattern_ = pattern;
    rootTileWidth_ = tileWidth;
    rootTileHeight_ = tileHeight;
    sync();
}

void TestClient::click(int x, int y) const {
    XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    sync();
}

void TestClient::pressKeys(const std::vector<const char*>& keysyms) const {
    std::vector<KeyCode> codes;
    for (const char* name : keysyms) codes.push_back(XKeysymToKeycode(display_, XStringToKeysym(name)));
    for (KeyCode code : codes) XTestFakeKeyEvent(display_, code, True, CurrentTime);
    for (auto it = codes.rbegin(); it != codes.rend(); ++it) XTestFakeKeyEvent(display_, *it, False, CurrentTime);
    sync();
}

SceneWindow::SceneWindow(TestClient& client, const WindowSpec& spec) : client_(client), spec_(spec) {
    Display* display = client_.display();
    XSetWindowAttributes attributes{};
    unsigned long mask = CWOverrideRedirect | CWBorderPixel;
    attributes.override_redirect = spec_.overrideRedirect;
    attributes.border_pixel = spec_.border & 0xFFFFFF;
    Visual* visual = CopyFromParent;
    depth_ = DefaultDepth(display, DefaultScreen(display));
    if (spec_.argb) {
        XVisualInfo info{};
        if (!XMatchVisualInfo(display, DefaultScreen(display), 32, TrueColor, &info)) {
            throw std::runtime_error("no 32-bit visual");
        }
        visual = info.visual;
        depth_ = 32;
        colormap_ = XCreateColormap(display, client_.root(), visual, AllocNone);
        attributes.colormap = colormap_;
        attributes.border_pixel = spec_.border;
        mask |= CWColormap;
    }
    id_ = XCreateWindow(display, client_.root(), spec_.x, spec_.y, static_cast<unsigned>(spec_.width),
                        static_cast<unsigned>(spec_.height), static_cast<unsigned>(spec_.borderWidth), depth_,
                        InputOutput, visual, mask, &attributes);
    showContents();
}

SceneWindow::~SceneWindow() {
    XDestroyWindow(client_.display(), id_);
    if (colormap_ != None) XFreeColormap(client_.display(), colormap_);
    client_.sync();
}

void SceneWindow::showContents() {
    Display* display = client_.display();
    const Pixmap contents = XCreatePixmap(display, id_, static_cast<unsigned>(spec_.width),
                                          static_cast<unsigned>(spec_.height), static_cast<unsigned>(depth_));
    client_.paint(contents, depth_, spec_.width, spec_.height, spec_.content);
    XSetWindowBackgroundPixmap(display, id_, contents);
    XFreePixmap(display, contents);
    XClearWindow(display, id_);
}

void SceneWindow::map() {
    XMapWindow(client_.display(), id_);
    mapped_ = true;
}

void SceneWindow::unmap() {
    XUnmapWindow(client_.display(), id_);
    mapped_ = false;
}

void SceneWindow::moveTo(int x, int y) {
    spec_.x = x;
    spec_.y = y;
    XMoveWindow(client_.display(), id_, x, y);
}

void SceneWindow::resize(int width, int height) {
    spec_.width = width;
    spec_.height = height;
    XResizeWindow(client_.display(), id_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    showContents();
}

void SceneWindow::redraw(const Pattern& content) {
    spec_.content = content;
    showContents();
}

void SceneWindow::setBoundingShape(const std::vector<XRectangle>& rectangles) {
    shape_ = rectangles;
    XShapeCombineRectangles(client_.display(), id_, ShapeBounding, 0, 0,
                            const_cast<XRectangle*>(rectangles.data()), static_cast<int>(rectangles.size()),
                            ShapeSet, Unsorted);
}

bool SceneWindow::shows(int x, int y) const {
    if (shape_.empty()) return true;
    const int fromOriginX = x - spec_.borderWidth, fromOriginY = y - spec_.borderWidth;
    return std::any_of(shape_.begin(), shape_.end(), [&](const XRectangle& r) {
        return fromOriginX >= r.x && fromOriginX < r.x + r.width && fromOriginY >= r.y && fromOriginY < r.y + r.height;
    });
}

SceneWindow& Scene::add(const WindowSpec& spec) {
    windows_.push_back(std::make_unique<SceneWindow>(client_, spec));
    SceneWindow& window = *windows_.back();
    topLevel_.push_back(&window);
    window.map();
    return window;
}

std::vector<SceneWindow*>& Scene::siblingsOf(SceneWindow& window) {
    const auto parent = parents_.find(&window);
    return parent == parents_.end() ? topLevel_ : children_[parent->second];
}

void Scene::remove(SceneWindow& window) {
    std::erase(siblingsOf(window), &window);
    parents_.erase(&window);
    std::erase_if(windows_, [&window](const auto& w) { return w.get() == &window; });
}

void Scene::raise(SceneWindow& window) {
    XRaiseWindow(client_.display(), window.id());
    std::vector<SceneWindow*>& siblings = siblingsOf(window);
    std::erase(siblings, &window);
    siblings.push_back(&window);
}

void Scene::lower(SceneWindow& window) {
    XLowerWindow(client_.display(), window.id());
    std::vector<SceneWindow*>& siblings = siblingsOf(window);
    std::erase(siblings, &window);
    siblings.insert(siblings.begin(), &window);
}

void Scene::reparent(SceneWindow& window, SceneWindow* parent, int x, int y) {
    XReparentWindow(client_.display(), window.id(), parent ? parent->id() : client_.root(), x, y);
    std::erase(siblingsOf(window), &window);
    if (parent) {
        parents_[&window] = parent;
        children_[parent].push_back(&window);
    } else {
        parents_.erase(&window);
        topLevel_.push_back(&window);
    }
    window.placedAt(x, y);
}

void Scene::draw(ScreenImage& image, const SceneWindow& window, int parentX, int parentY, Area clip) const {
    if (!window.mapped()) return;
    const WindowSpec& spec = window.spec();
    const int left = parentX + spec.x, top = parentY + spec.y;
    const int outerWidth = spec.width + 2 * spec.borderWidth, outerHeight = spec.height + 2 * spec.borderWidth;
    for (int y = std::max(top, clip.top); y < std::min(top + outerHeight, clip.bottom); ++y) {
        for (int x = std::max(left, clip.left); x < std::min(left + outerWidth, clip.right); ++x) {
            if (!window.shows(x - left, y - top)) continue;
            const int insideX = x - left - spec.borderWidth, insideY = y - top - spec.borderWidth;
            const bool inside = insideX >= 0 && insideY >= 0 && insideX < spec.width && insideY < spec.height;
            image.pixels[static_cast<std::size_t>(y) * image.width + x] =
                (inside ? spec.content(insideX, insideY) : spec.border) & 0xFFFFFF;
        }
    }
    const auto children = children_.find(&window);
    if (children == children_.end()) return;
    const int insideLeft = left + spec.borderWidth, insideTop = top + spec.borderWidth;
    const Area inside{std::max(clip.left, insideLeft), std::max(clip.top, insideTop),
                      std::min(clip.right, insideLeft + spec.width), std::min(clip.bottom, insideTop + spec.height)};
    for (const SceneWindow* child : children->second) draw(image, *child, insideLeft, insideTop, inside);
}

ScreenImage Scene::model(int width, int height) const {
    ScreenImage image{width, height, std::vector<Colour>(static_cast<std::size_t>(width) * height)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.pixels[static_cast<std::size_t>(y) * width + x] =
                client_.rootPattern()(x % client_.rootTileWidth(), y % client_.rootTileHeight()) & 0xFFFFFF;
        }
    }
    for (const SceneWindow* window : topLevel_) draw(image, *window, 0, 0, {0, 0, width, height});
    return image;
}

}  // namespace velmora::test

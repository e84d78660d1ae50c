// Areas of the screen as sets of rectangles, kept in this process so that
// working out what to repaint costs no round trip to the X server.
#pragma once

#include <X11/Xlib.h>
#include <pixman.h>

#include <span>
#include <vector>

namespace velmora::x11 {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    long long area() const { return empty() ? 0 : static_cast<long long>(width) * height; }
};

class ScreenRegion {
public:
    ScreenRegion();
    explicit ScreenRegion(const Rect& rect);
    ScreenRegion(const ScreenRegion& other);
    ScreenRegion& operator=(const ScreenRegion& other);
    ScreenRegion(ScreenRegion&& other) noexcept;
    ScreenRegion& operator=(ScreenRegion&& other) noexcept;
    ~ScreenRegion();

    // From rectangles that may overlap.
    static ScreenRegion fromRectangles(std::span<const XRectangle> rectangles);

    bool empty() const;
    Rect extents() const;
    long long area() const;
    std::span<const pixman_box32_t> boxes() const;
    std::vector<XRectangle> xRectangles() const;

    void clear();
    void add(const Rect& rect);
    void add(const ScreenRegion& other);
    void intersect(const Rect& rect);
    void intersect(const ScreenRegion& other);
    void subtract(const ScreenRegion& other);
    void translate(int dx, int dy);

    friend ScreenRegion intersection(const ScreenRegion& a, const ScreenRegion& b) {
        ScreenRegion result = a;
        result.intersect(b);
        return result;
    }

private:
    pixman_region32_t region_;
};

}  // namespace velmora::x11

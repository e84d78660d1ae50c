#include "screen_region.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace velmora::x11 {

ScreenRegion::ScreenRegion() { pixman_region32_init(&region_); }

ScreenRegion::ScreenRegion(const Rect& rect) {
    if (rect.empty()) {
        pixman_region32_init(&region_);
    } else {
        pixman_region32_init_rect(&region_, rect.x, rect.y, static_cast<unsigned>(rect.width),
                                  static_cast<unsigned>(rect.height));
    }
}

ScreenRegion::ScreenRegion(const ScreenRegion& other) {
    pixman_region32_init(&region_);
    pixman_region32_copy(&region_, &other.region_);
}

ScreenRegion& ScreenRegion::operator=(const ScreenRegion& other) {
    if (this != &other) pixman_region32_copy(&region_, &other.region_);
    return *this;
}

// A pixman region is its extents and a pointer to its rectangles (none for
// a single rectangle), with no pointer into itself: swapping moves it.
ScreenRegion::ScreenRegion(ScreenRegion&& other) noexcept {
    pixman_region32_init(&region_);
    std::swap(region_, other.region_);
}

ScreenRegion& ScreenRegion::operator=(ScreenRegion&& other) noexcept {
    std::swap(region_, other.region_);
    return *this;
}

ScreenRegion::~ScreenRegion() { pixman_region32_fini(&region_); }

ScreenRegion ScreenRegion::fromRectangles(std::span<const XRectangle> rectangles) {
    ScreenRegion result;
    for (const XRectangle& r : rectangles) result.add(Rect{r.x, r.y, r.width, r.height});
    return result;
}

bool ScreenRegion::empty() const { return !pixman_region32_not_empty(&region_); }

Rect ScreenRegion::extents() const {
    const pixman_box32_t* box = pixman_region32_extents(&region_);
    return {box->x1, box->y1, box->x2 - box->x1, box->y2 - box->y1};
}

long long ScreenRegion::area() const {
    long long total = 0;
    for (const pixman_box32_t& box : boxes()) {
        total += static_cast<long long>(box.x2 - box.x1) * (box.y2 - box.y1);
    }
    return total;
}

std::span<const pixman_box32_t> ScreenRegion::boxes() const {
    int count = 0;
    const pixman_box32_t* first = pixman_region32_rectangles(&region_, &count);
    return {first, static_cast<std::size_t>(count)};
}

std::vector<XRectangle> ScreenRegion::xRectangles() const {
    // X rectangles have 16-bit coordinates and sizes: screens fit, far-off
    // parts of windows are clipped to what X can address.
    const auto clampShort = [](int v) { return static_cast<short>(std::clamp(v, SHRT_MIN, SHRT_MAX)); };
    const auto clampSize = [](int v) { return static_cast<unsigned short>(std::clamp(v, 0, USHRT_MAX)); };
    std::vector<XRectangle> result;
    result.reserve(boxes().size());
    for (const pixman_box32_t& box : boxes()) {
        result.push_back({clampShort(box.x1), clampShort(box.y1), clampSize(box.x2 - box.x1),
                          clampSize(box.y2 - box.y1)});
    }
    return result;
}

void ScreenRegion::clear() { pixman_region32_clear(&region_); }

void ScreenRegion::add(const Rect& rect) {
    if (rect.empty()) return;
    pixman_region32_union_rect(&region_, &region_, rect.x, rect.y, static_cast<unsigned>(rect.width),
                               static_cast<unsigned>(rect.height));
}

void ScreenRegion::add(const ScreenRegion& other) {
    pixman_region32_union(&region_, &region_, &other.region_);
}

void ScreenRegion::intersect(const Rect& rect) {
    if (rect.empty()) {
        clear();
        return;
    }
    pixman_region32_intersect_rect(&region_, &region_, rect.x, rect.y, static_cast<unsigned>(rect.width),
                                   static_cast<unsigned>(rect.height));
}

void ScreenRegion::intersect(const ScreenRegion& other) {
    pixman_region32_intersect(&region_, &region_, &other.region_);
}

void ScreenRegion::subtract(const ScreenRegion& other) {
    pixman_region32_subtract(&region_, &region_, &other.region_);
}

void ScreenRegion::translate(int dx, int dy) { pixman_region32_translate(&region_, dx, dy); }

}  // namespace velmora::x11

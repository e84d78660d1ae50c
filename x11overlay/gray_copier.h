// Copies parts of a colour pixmap gray onto a window: the X server writes the
// pixels into memory shared with this process, the library turns them gray
// in place, and the server reads them from there onto the window.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "gray_conversion.h"
#include "screen_region.h"
#include "x_resources.h"

namespace velmora::x11 {

// A System V shared memory segment attached by this process and the X
// server. It is marked for removal as soon as both are attached, so that it
// goes away with this process however that ends.
class SharedImageMemory {
public:
    SharedImageMemory(Display* display, std::size_t bytes);
    SharedImageMemory(const SharedImageMemory&) = delete;
    SharedImageMemory& operator=(const SharedImageMemory&) = delete;
    ~SharedImageMemory();

    std::size_t size() const { return size_; }
    XShmSegmentInfo* segment() { return &segment_; }

private:
    Display* display_;
    std::size_t size_;
    XShmSegmentInfo segment_{};
};

// Where the time of the last copies went, when asked for (the benchmark).
struct CopyTimes {
    double fetchSeconds = 0;    // server to shared memory, including waiting for its earlier work
    double convertSeconds = 0;  // the gray conversion in shared memory
    double putSeconds = 0;      // shared memory to the window, until the server is done
    long long pixels = 0;
};

class GrayCopier {
public:
    // Throws StartupError when the screen's pixels are not 32-bit blue,
    // green, red and a fourth byte, or the server cannot share memory.
    GrayCopier(Display* display, Window root, int width, int height);

    void resize(int width, int height);

    // Copies `region` of `source` (screen-sized) gray onto `target` at the
    // same place. With `times`, waits for the server after each step and adds
    // the time of each step.
    void copy(const ScreenRegion& region, Pixmap source, Window target, CopyTimes* times = nullptr);

private:
    void copyRect(const Rect& rect, Pixmap source, Window target, CopyTimes* times);

    Display* display_;
    Visual* visual_;
    int depth_;
    OwnedGc gc_;
    std::unique_ptr<SharedImageMemory> memory_;
    velmora::gray::RowConverter convertRow_;
};

// Checks that the screen's pixels are what the converter expects; throws
// StartupError naming what differs.
void requireBgrxScreen(Display* display);

}  // namespace velmora::x11

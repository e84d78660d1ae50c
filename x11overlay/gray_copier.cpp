#include "gray_copier.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "gray_conversion_bgrx.h"
#include "x_connection.h"

namespace velmora::x11 {
namespace {

// Regions of more rectangles than this are copied as their bounding box:
// every rectangle costs a round trip to the server. The buffer is up to
// date everywhere, so copying more than was damaged is only extra work.
constexpr std::size_t kMostRectanglesCopiedApart = 8;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// An image header over the start of the shared memory, for one rectangle.
class SharedImage {
public:
    SharedImage(Display* display, Visual* visual, int depth, XShmSegmentInfo* segment, const Rect& rect)
        : image_(XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, segment->shmaddr,
                                 segment, static_cast<unsigned>(rect.width), static_cast<unsigned>(rect.height))) {}
    SharedImage(const SharedImage&) = delete;
    SharedImage& operator=(const SharedImage&) = delete;
    ~SharedImage() {
        if (image_ == nullptr) return;
        image_->data = nullptr;  // the shared memory is not the header's to free
        XDestroyImage(image_);
    }
    XImage* get() const { return image_; }

private:
    XImage* image_;
};

int bitsPerPixelOfDepth(Display* display, int depth) {
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    int bits = 0;
    for (int i = 0; i < count; ++i) {
        if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
    }
    if (formats) XFree(formats);
    return bits;
}

}  // namespace

void requireBgrxScreen(Display* display) {
    const int screen = DefaultScreen(display);
    const Visual* visual = DefaultVisual(display, screen);
    const int depth = DefaultDepth(display, screen);
    const int bits = bitsPerPixelOfDepth(display, depth);
    const bool bgrx = visual->c_class == TrueColor && visual->red_mask == 0xFF0000 &&
                      visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF &&
                      (depth == 24 || depth == 32) && bits == 32 && ImageByteOrder(display) == LSBFirst;
    if (bgrx) return;
    char masks[96];
    std::snprintf(masks, sizeof masks, "red 0x%lx, green 0x%lx, blue 0x%lx", visual->red_mask,
                  visual->green_mask, visual->blue_mask);
    throw StartupError("the screen's pixels are not supported (depth " + std::to_string(depth) + ", " +
                       std::to_string(bits) + " bits a pixel, " + masks + ", " +
                       (ImageByteOrder(display) == LSBFirst ? "least" : "most") +
                       " significant byte first): sorvel needs 24-bit true colour in 32-bit "
                       "pixels, blue in the first byte");
}

SharedImageMemory::SharedImageMemory(Display* display, std::size_t bytes) : display_(display), size_(bytes) {
    segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment_.shmid < 0) {
        throw StartupError("cannot make " + std::to_string(bytes) + " bytes of shared memory: " +
                           std::strerror(errno));
    }
    segment_.shmaddr = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
    if (segment_.shmaddr == reinterpret_cast<char*>(-1)) {
        const int error = errno;
        shmctl(segment_.shmid, IPC_RMID, nullptr);
        throw StartupError(std::string("cannot attach shared memory: ") + std::strerror(error));
    }
    segment_.readOnly = False;
    ErrorTrap trap(display_);
    XShmAttach(display_, &segment_);
    const int error = trap.firstError();
    shmctl(segment_.shmid, IPC_RMID, nullptr);
    if (error != 0) {
        shmdt(segment_.shmaddr);
        throw StartupError("the X server cannot share memory with sorvel (MIT-SHM); "
                           "run sorvel on the machine the X server runs on");
    }
}

SharedImageMemory::~SharedImageMemory() {
    XShmDetach(display_, &segment_);
    // The server must have let go before the memory goes.
    XSync(display_, False);
    shmdt(segment_.shmaddr);
}

GrayCopier::GrayCopier(Display* display, Window root, int width, int height)
    : display_(display),
      visual_(DefaultVisual(display, DefaultScreen(display))),
      depth_(DefaultDepth(display, DefaultScreen(display))),
      convertRow_(velmora::gray::bgrxRowConverterDispatch().chosen()) {
    requireBgrxScreen(display);
    XGCValues values{};
    values.graphics_exposures = False;
    gc_ = OwnedGc(display_, XCreateGC(display_, root, GCGraphicsExposures, &values));
    resize(width, height);
}

void GrayCopier::resize(int width, int height) {
    const std::size_t needed = 4 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (memory_ && memory_->size() >= needed) return;
    memory_.reset();
    memory_ = std::make_unique<SharedImageMemory>(display_, needed);
}

void GrayCopier::copy(const ScreenRegion& region, Pixmap source, Window target, CopyTimes* times) {
    const auto boxes = region.boxes();
    if (boxes.size() > kMostRectanglesCopiedApart) {
        copyRect(region.extents(), source, target, times);
        return;
    }
    for (const pixman_box32_t& box : boxes) {
        copyRect({box.x1, box.y1, box.x2 - box.x1, box.y2 - box.y1}, source, target, times);
    }
}

void GrayCopier::copyRect(const Rect& rect, Pixmap source, Window target, CopyTimes* times) {
    if (rect.empty()) return;
    SharedImage image(display_, visual_, depth_, memory_->segment(), rect);
    if (image.get() == nullptr) return;

    auto start = Clock::now();
    // A round trip: when it returns, the server has also done every earlier
    // request, the puts of earlier rectangles from this memory among them.
    if (!XShmGetImage(display_, source, image.get(), rect.x, rect.y, AllPlanes)) return;
    if (times) times->fetchSeconds += secondsSince(start);

    start = Clock::now();
    velmora::gray::convertBgrxImage(reinterpret_cast<std::uint8_t*>(image.get()->data),
                                    static_cast<std::size_t>(rect.width), static_cast<std::size_t>(rect.height),
                                    static_cast<std::size_t>(image.get()->bytes_per_line), convertRow_);
    if (times) times->convertSeconds += secondsSince(start);

    start = Clock::now();
    XShmPutImage(display_, target, gc_.get(), image.get(), 0, 0, rect.x, rect.y,
                 static_cast<unsigned>(rect.width), static_cast<unsigned>(rect.height), False);
    if (times) {
        XSync(display_, False);
        times->putSeconds += secondsSince(start);
        times->pixels += rect.area();
    }
}

}  // namespace velmora::x11

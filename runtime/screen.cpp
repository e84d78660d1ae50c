#include "screen.h"

#include <windows.h>

#include <cmath>

#include "handles.h"
#include "platform.h"

namespace velmora::runtime::Screen {
namespace {

constexpr float kTwipsPerInch = 1440.0f;

struct Resolution {
    float twipsPerPixelX;
    float twipsPerPixelY;
};

// The screen's dots per inch as the process sees them. They stay the same
// for the life of a process (the programs are system-DPI aware), so they are
// read once rather than on every refresh.
const Resolution& resolution() {
    static const Resolution value = [] {
        const WindowDC screen = WindowDC::screen();
        const int dotsX = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
        const int dotsY = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
        const auto twipsPerPixel = [](int dots) {
            return kTwipsPerInch / static_cast<float>(dots > 0 ? dots : USER_DEFAULT_SCREEN_DPI);
        };
        return Resolution{twipsPerPixel(dotsX), twipsPerPixel(dotsY)};
    }();
    return value;
}

}  // namespace

float TwipsPerPixelX() { return resolution().twipsPerPixelX; }
float TwipsPerPixelY() { return resolution().twipsPerPixelY; }

float Width() { return static_cast<float>(user32::GetSystemMetrics(SM_CXSCREEN)) * TwipsPerPixelX(); }
float Height() { return static_cast<float>(user32::GetSystemMetrics(SM_CYSCREEN)) * TwipsPerPixelY(); }

int pixelsFromTwipsX(int twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelX())); }
int pixelsFromTwipsY(int twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelY())); }

}  // namespace velmora::runtime::Screen

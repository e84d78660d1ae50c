#include "screen.h"

#include <windows.h>

#include <cmath>

#include "platform.h"

namespace velmora::runtime::Screen {
namespace {

constexpr float kTwipsPerInch = 1440.0f;

int screenDotsPerInch(int axis) {
    HDC screen = GetDC(nullptr);
    const int dots = screen ? GetDeviceCaps(screen, axis) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dots > 0 ? dots : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

float TwipsPerPixelX() { return kTwipsPerInch / static_cast<float>(screenDotsPerInch(LOGPIXELSX)); }
float TwipsPerPixelY() { return kTwipsPerInch / static_cast<float>(screenDotsPerInch(LOGPIXELSY)); }

float Width() { return static_cast<float>(user32::GetSystemMetrics(SM_CXSCREEN)) * TwipsPerPixelX(); }
float Height() { return static_cast<float>(user32::GetSystemMetrics(SM_CYSCREEN)) * TwipsPerPixelY(); }

int pixelsFromTwipsX(int twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelX())); }
int pixelsFromTwipsY(int twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelY())); }

}  // namespace velmora::runtime::Screen

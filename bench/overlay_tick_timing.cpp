// Timing of the overlay's refresh tick at the screen's size (run under
// wine64): each tick split into the screen copy, the conversion and the
// paint, measured around the real calls through the platform bindings.
#include <cstdio>

#include "overlay_form.h"
#include "platform.h"
#include "stage_table.h"

using namespace velmora::runtime;
using velmora::bench::Clock;
using velmora::bench::elapsedMs;

int main() {
    velmora::overlay::Form1 form;
    form.load();
    form.timer(L"tmrRefresh").setEnabled(false);
    form.Show();

    double screenCopyMs = 0, conversionMs = 0, paintMs = 0, tickMs = 0;
    ScopedSubstitute blit(gdi32::BitBlt, [&](HDC to, int x, int y, int w, int h, HDC from, int fx, int fy, DWORD rop) {
        const auto start = Clock::now();
        const BOOL result = gdi32::BitBlt.real()(to, x, y, w, h, from, fx, fy, rop);
        GdiFlush();
        (to == form.hDC() ? paintMs : screenCopyMs) += elapsedMs(start);
        return result;
    });
    auto& convert = velmora::overlay::grayscale_dll::ConvertToGray;
    ScopedSubstitute timedConvert(convert, [&](std::uint8_t* pixels, std::int32_t w, std::int32_t h) {
        const auto start = Clock::now();
        const std::int32_t result = convert.real()(pixels, w, h);
        conversionMs += elapsedMs(start);
        return result;
    });

    form.tmrRefresh_Timer();  // binds the library and warms up
    screenCopyMs = conversionMs = paintMs = 0;
    constexpr int kTicks = 100;
    for (int i = 0; i < kTicks; ++i) {
        const auto start = Clock::now();
        form.tmrRefresh_Timer();
        tickMs += elapsedMs(start);
    }
    const double other = tickMs - screenCopyMs - conversionMs - paintMs;
    std::printf("Overlay tick at %d x %d, mean of %d ticks\n", GetSystemMetrics(SM_CXSCREEN),
                GetSystemMetrics(SM_CYSCREEN), kTicks);
    velmora::bench::printStageTable({{"screen copy (BitBlt)", screenCopyMs},
                                     {"conversion (ConvertToGray)", conversionMs},
                                     {"paint (BitBlt)", paintMs},
                                     {"objects and the rest", other}},
                                    tickMs, "whole tick", kTicks);
    return 0;
}

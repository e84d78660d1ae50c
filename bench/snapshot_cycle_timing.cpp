// Timing of one snapshot cycle at the screen's size (run under wine64 with
// print_screen_service.exe beside it, which this program starts): the steps
// of Command1_Click timed one by one: capture, read, adjust, write.
#include <cstdio>

#include "application.h"
#include "engine_pass.h"
#include "print_screen_companion.h"
#include "snapshot_form.h"

using namespace velmora::runtime;
using velmora::bench::Clock;
using velmora::bench::elapsedMs;

int main() {
    const velmora::test::PrintScreenCompanion companion;
    if (!companion.ready()) {
        std::fprintf(stderr, "print_screen_service.exe could not be started\n");
        return 1;
    }
    setApplicationTitle(L"Project1");
    velmora::snapshot::Form1 form;
    form.load();
    PictureBox& box = form.pictureBox(L"Picture1");

    constexpr int kCycles = 30;
    double captureMs = 0;
    velmora::bench::EnginePassTimes times;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        const auto start = Clock::now();
        form.CaptureScreen();
        captureMs += elapsedMs(start);
        velmora::bench::timeEnginePass(box, times);
    }
    std::printf("Snapshot cycle at %d x %d, mean of %d cycles\n", GetSystemMetrics(SM_CXSCREEN),
                GetSystemMetrics(SM_CYSCREEN), kCycles);
    velmora::bench::printStageTable({{"capture (clipboard, PrintScreen)", captureMs},
                                     {"read (ReadPicturePixels)", times.readMs},
                                     {"adjust (AdjustHSL, saturation 0)", times.adjustMs},
                                     {"write (WritePicturePixels)", times.writeMs}},
                                    captureMs + times.readMs + times.adjustMs + times.writeMs, "whole cycle",
                                    kCycles);
    return 0;
}

// Timing of one read-adjust-write pass of the pixel engine at the screen's
// size (run under wine64): a device-dependent screen-sized bitmap in a picture
// box, read with ReadPicturePixels, turned gray with AdjustHSL (saturation 0)
// and shown again with WritePicturePixels, as one snapshot cycle does.
#include <cstdio>

#include "application.h"
#include "engine_pass.h"
#include "form.h"

namespace {

using namespace velmora::runtime;

HBITMAP screenCopy(int width, int height) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

}  // namespace

int main() {
    setApplicationTitle(L"Project1");
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    Form form(FormDescription{.caption = L"Velmora engine timing",
                              .clientWidth = 5685,
                              .clientHeight = 4935,
                              .controls = {{.name = L"Picture1", .kind = ControlKind::PictureBox, .left = 120,
                                            .top = 240, .width = 5415, .height = 4455}}});
    form.load();
    form.Show();
    PictureBox& box = form.pictureBox(L"Picture1");

    constexpr int kPasses = 30;
    velmora::bench::EnginePassTimes times;
    for (int pass = 0; pass < kPasses; ++pass) {
        // Like a fresh capture: a device-dependent bitmap, so the writer makes a new picture.
        box.setPicture(pictureOwningBitmap(screenCopy(width, height)));
        velmora::bench::timeEnginePass(box, times);
    }
    std::printf("Read-adjust-write pass at %d x %d, mean of %d passes\n", width, height, kPasses);
    velmora::bench::printStageTable({{"ReadPicturePixels (read path)", times.readMs},
                                     {"AdjustHSL (saturation 0)", times.adjustMs},
                                     {"WritePicturePixels (new picture)", times.writeMs}},
                                    times.readMs + times.adjustMs + times.writeMs, "whole pass", kPasses);
    return 0;
}

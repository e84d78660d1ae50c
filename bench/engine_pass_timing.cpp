// Timing of one read-adjust-write pass of the pixel engine at the screen's
// size (run under wine64): a device-dependent screen-sized bitmap in a picture
// box, read with ReadPicturePixels, turned gray with AdjustHSL (saturation 0)
// and shown again with WritePicturePixels, as one snapshot cycle does.
#include <cstdio>

#include "adjust_hsl.h"
#include "application.h"
#include "form.h"
#include "picture_pixel_reader.h"
#include "picture_pixel_writer.h"
#include "stage_table.h"

namespace {

using namespace velmora::engine;
using namespace velmora::runtime;
using velmora::bench::Clock;
using velmora::bench::elapsedMs;

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
    double readMs = 0, adjustMs = 0, writeMs = 0;
    for (int pass = 0; pass < kPasses; ++pass) {
        // Like a fresh capture: a device-dependent bitmap, so the writer makes a new picture.
        box.setPicture(pictureOwningBitmap(screenCopy(width, height)));
        PixelBufferInfo info{};
        ByteGrid pixelCopy, dibBuffer;
        const ComPtr<IPicture> image = box.Image().as<IPicture>();

        auto start = Clock::now();
        ReadPicturePixels(image.get(), info, pixelCopy, dibBuffer, kFalse, kFalse);
        readMs += elapsedMs(start);
        start = Clock::now();
        AdjustHSL(&info, -1.0f, 0.0f, -1.0f);
        adjustMs += elapsedMs(start);
        start = Clock::now();
        WritePicturePixels(box, info.TargetBitmap, kFalse);
        writeMs += elapsedMs(start);
    }
    std::printf("Read-adjust-write pass at %d x %d, mean of %d passes\n", width, height, kPasses);
    velmora::bench::printStageTable({{"ReadPicturePixels (read path)", readMs},
                                     {"AdjustHSL (saturation 0)", adjustMs},
                                     {"WritePicturePixels (new picture)", writeMs}},
                                    readMs + adjustMs + writeMs, "whole pass", kPasses);
    return 0;
}

// One read-adjust-write pass of the pixel engine over a picture box's image,
// as the snapshot cycle makes it, timed step by step (the timing programs).
#pragma once

#include "adjust_hsl.h"
#include "picture_pixel_reader.h"
#include "picture_pixel_writer.h"
#include "stage_table.h"

namespace velmora::bench {

struct EnginePassTimes {
    double readMs = 0;
    double adjustMs = 0;
    double writeMs = 0;
};

// Reads the box's image, turns it gray and shows it again, adding each
// step's time to `times`.
inline void timeEnginePass(runtime::PictureBox& box, EnginePassTimes& times) {
    engine::PixelBufferInfo info{};
    engine::ByteGrid pixelCopy, dibBuffer;
    const runtime::ComPtr<IPicture> image = box.Image().as<IPicture>();
    auto start = Clock::now();
    engine::ReadPicturePixels(image.get(), info, pixelCopy, dibBuffer, runtime::kFalse, runtime::kFalse);
    times.readMs += elapsedMs(start);
    start = Clock::now();
    engine::AdjustHSL(&info, -1.0f, 0.0f, -1.0f);
    times.adjustMs += elapsedMs(start);
    start = Clock::now();
    engine::WritePicturePixels(box, info.TargetBitmap, runtime::kFalse);
    times.writeMs += elapsedMs(start);
}

}  // namespace velmora::bench

// ReadPicturePixels: a picture's pixels at 32 bits per pixel, an untouched
// copy of them in `pixelCopy`, and the block the kernel is to write into,
// both described in a PixelBufferInfo.
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include "boolean.h"
#include "byte_grid.h"
#include "pixel_buffer_info.h"

namespace velmora::engine {

// Direct path: when `useOwnBits` is true (-1) itself and the picture's bitmap
// has 32-bit pixel memory of its own, that memory is the destination and is
// copied to `pixelCopy`. Read path (otherwise): GetDIBits reads the bitmap
// bottom-up at 32 bits per pixel into `dibBuffer`, which becomes the
// destination, and `pixelCopy` gets a copy. Both arrays are dimensioned
// (1 to 4 x width, 1 to height). Returns true (-1) when `info` was filled;
// on failure `info` and `pixelCopy` are untouched and, when `showErrors` is
// non-zero, a message box says what failed (a bitmap without a positive width
// and height fails as one whose information cannot be read). A null picture
// raises the runtime's error 91. Sizes beyond 32 bits raise the
// overflow error (6); a failure code of the picture's handle getter raises
// a run-time error carrying it.
runtime::Boolean ReadPicturePixels(IPicture* picture, PixelBufferInfo& info, ByteGrid& pixelCopy,
                                   ByteGrid& dibBuffer, runtime::Boolean useOwnBits, runtime::Boolean showErrors);

}  // namespace velmora::engine

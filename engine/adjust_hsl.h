// AdjustHSL: recolours the pixels a PixelBufferInfo describes through the
// hue/saturation/lightness kernel, with parameters in natural units.
#pragma once

#include "boolean.h"
#include "pixel_buffer_info.h"

namespace velmora::engine {

// hue in sixths of a turn, saturation 0 to 1, lightness factor (1 keeps);
// a negative value keeps the pixel's own component. Each value of at least
// 0 is scaled by 2^20 in single precision, then all three are converted to
// 32-bit integers (rounding halves to even; lightness first, then
// saturation, then hue): a value beyond the range raises the overflow error
// (6) and the kernel is not called. True (-1) when the kernel ran.
runtime::Boolean AdjustHSL(PixelBufferInfo* info, float hue, float saturation, float lightness);

}  // namespace velmora::engine

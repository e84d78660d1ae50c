// WritePicturePixels: makes a picture box show a block of 32-bit pixels.
#pragma once

#include "boolean.h"
#include "form.h"
#include "pixel_buffer_info.h"

namespace velmora::engine {

// The identifier of the platform's IPicture interface, parsed at run time.
inline constexpr wchar_t kPictureInterfaceId[] = L"{7BF80980-BF32-101A-8BBB-00AA00300CAB}";

// The cheapest of three ways: when the box's picture is the target's pixel
// memory itself, only a repaint; when it is a device-independent bitmap of the
// same width, height and depth, a copy into it and a repaint; otherwise a new
// 32-bit bottom-up DIB with the pixels, wrapped in a picture object that owns
// it and made the box's picture (`forceNewPicture` non-zero always takes this
// way). Failures of the new-picture way show a message captioned with the
// application title; the box then keeps its picture and the result is false.
// A target whose pixels cannot be copied (no pixel memory, a width or height
// of zero or less, rows other than 4 x width bytes of 32-bit pixels) fails
// the same way with "Bildkopie konnte nicht erstellt werden". Sizes beyond 32
// bits raise the overflow error (6).
runtime::Boolean WritePicturePixels(runtime::PictureBox& pictureBox, const BitmapRecord& target,
                                    runtime::Boolean forceNewPicture);

}  // namespace velmora::engine

// The Clipboard object.
#pragma once

#include <cstdint>

#include "picture.h"

namespace velmora::runtime::Clipboard {

// Empties the system clipboard.
void Clear();

// The clipboard's content in `format`; only CF_BITMAP (2) is supported. The
// picture owns a device-dependent copy of the clipboard's image, made from the
// form its owner put it in (a bitmap, or a device-independent bitmap). Raises
// a run-time error when the clipboard cannot be opened or holds no image.
PictureObject GetData(std::int32_t format);

}  // namespace velmora::runtime::Clipboard

// The Clipboard object.
#pragma once

#include <cstdint>

#include "picture.h"

namespace velmora::runtime::Clipboard {

// Empties the system clipboard.
void Clear();

// The clipboard's content in `format`; only CF_BITMAP (2) is supported. The
// picture owns a copy of the clipboard's bitmap. Raises a run-time error when
// the clipboard cannot be opened or holds nothing in that format.
PictureObject GetData(std::int32_t format);

}  // namespace velmora::runtime::Clipboard

// The runtime's Boolean: 16 bits, true is -1 (all bits set), false is 0.
#pragma once

#include <cstdint>

namespace velmora::runtime {

using Boolean = std::int16_t;
inline constexpr Boolean kTrue = -1;
inline constexpr Boolean kFalse = 0;

inline constexpr Boolean toBoolean(bool value) { return value ? kTrue : kFalse; }

}  // namespace velmora::runtime

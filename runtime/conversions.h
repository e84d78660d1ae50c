// The runtime's numeric conversions, each raising its run-time error where a
// value does not fit.
#pragma once

#include <cstdint>

namespace velmora::runtime {

// The product of two signed 32-bit values, raising the overflow error when it
// does not fit in 32 bits.
std::int32_t checkedMultiply(std::int32_t a, std::int32_t b);

// Converts a single-precision value to a 32-bit integer as the runtime does:
// to nearest, halves to the even neighbour; beyond the range (or not a
// number) raises the overflow error.
std::int32_t roundToLong(float value);

// The quotient of two single-precision values, raising the division-by-zero
// error for x / 0 and the overflow error for 0 / 0 or a result beyond range.
float divideSingles(float dividend, float divisor);

}  // namespace velmora::runtime

#include "conversions.h"

#include <cmath>

#include "runtime_error.h"

namespace velmora::runtime {

std::int32_t checkedMultiply(std::int32_t a, std::int32_t b) {
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    if (product < INT32_MIN || product > INT32_MAX) throw RuntimeError::overflow();
    return static_cast<std::int32_t>(product);
}

std::int32_t roundToLong(float value) {
    // Every float in (-2^31 - 0.5, 2^31 - 0.5) rounds into the range; the
    // limits below are the floats nearest to them inside it.
    if (!(value >= -2147483648.0f && value < 2147483648.0f)) throw RuntimeError::overflow();
    const double rounded = std::nearbyint(static_cast<double>(value));  // default mode: ties to even
    if (rounded > 2147483647.0) throw RuntimeError::overflow();
    return static_cast<std::int32_t>(rounded);
}

float divideSingles(float dividend, float divisor) {
    if (divisor == 0.0f) {
        if (dividend == 0.0f || std::isnan(dividend)) throw RuntimeError::overflow();
        throw RuntimeError::divisionByZero();
    }
    const float quotient = dividend / divisor;
    if (!std::isfinite(quotient)) throw RuntimeError::overflow();
    return quotient;
}

}  // namespace velmora::runtime

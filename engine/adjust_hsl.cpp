#include "adjust_hsl.h"

#include <cmath>

#include "hsl_kernel.h"
#include "conversions.h"
#include "runtime_error.h"

namespace velmora::engine {
namespace {

// Scales a parameter to 12.20 fixed point in single precision; negative
// values (keep) are left as they are.
float scaledParameter(float value) {
    if (!(value >= 0.0f)) return value;
    const float scaled = value * 1048576.0f;
    if (!std::isfinite(scaled)) throw runtime::RuntimeError::overflow();
    return scaled;
}

}  // namespace

runtime::Boolean AdjustHSL(PixelBufferInfo* info, float hue, float saturation, float lightness) {
    const float scaledHue = scaledParameter(hue);
    const float scaledSaturation = scaledParameter(saturation);
    const float scaledLightness = scaledParameter(lightness);
    const std::int32_t l = runtime::roundToLong(scaledLightness);
    const std::int32_t s = runtime::roundToLong(scaledSaturation);
    const std::int32_t h = runtime::roundToLong(scaledHue);
    return runtime::toBoolean(HslKernel(info, h, s, l) != 0);
}

}  // namespace velmora::engine

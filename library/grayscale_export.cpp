#include "Grayscale.h"

#include "gray_conversion.h"

#ifdef _WIN32
#define GRAYSCALE_EXPORT
#else
#define GRAYSCALE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" GRAYSCALE_EXPORT int32_t GRAYSCALE_CALL ConvertToGray(uint8_t* pixels, int32_t width,
                                                                 int32_t height) {
    velmora::gray::convertBuffer(pixels, width, height, velmora::gray::rowConverterDispatch().chosen());
    return 1;
}

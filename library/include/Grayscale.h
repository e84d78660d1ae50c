/* The Grayscale library: turns a 24-bit pixel buffer gray in place. */
#ifndef VELMORA_GRAYSCALE_H
#define VELMORA_GRAYSCALE_H

#include <stdint.h>

#ifdef _WIN32
#define GRAYSCALE_CALL __stdcall
#else
#define GRAYSCALE_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Converts `height` rows of `width` blue-green-red pixels, each row padded to a
 * multiple of four bytes, to gray: every pixel becomes the truncated
 * 0.299 R + 0.587 G + 0.114 B (double precision) in all three channels.
 * Padding bytes are neither read nor written. A null buffer, or a width or
 * height of zero or less, converts nothing. The buffer must hold height rows.
 * Always returns 1. */
int32_t GRAYSCALE_CALL ConvertToGray(uint8_t* pixels, int32_t width, int32_t height);

typedef int32_t(GRAYSCALE_CALL* ConvertToGrayFunction)(uint8_t* pixels, int32_t width,
                                                        int32_t height);

#ifdef __cplusplus
}
#endif

#endif

#include "picture_pixel_reader.h"

#include "application.h"
#include "engine_messages.h"
#include "handles.h"
#include "platform.h"
#include "conversions.h"
#include "dib_header.h"
#include "runtime_error.h"

namespace velmora::engine {
namespace {

using namespace runtime;

HBITMAP bitmapHandleOf(IPicture* picture) {
    if (!picture) throw RuntimeError::objectNotSet();
    OLE_HANDLE handle = 0;
    raiseOnFailure(picture->get_Handle(&handle));
    return reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
}

void reportFailure(Boolean showErrors, const wchar_t* message) {
    if (showErrors != 0) messageBox(message);
}

// 4 x width and that times height, each in signed 32-bit arithmetic.
struct ImageSize {
    std::int32_t rowBytes;
    std::int32_t totalBytes;
};

ImageSize checkedImageSize(const BITMAP& bitmap) {
    const std::int32_t rowBytes = checkedMultiply(4, bitmap.bmWidth);
    return {rowBytes, checkedMultiply(rowBytes, bitmap.bmHeight)};
}

// The read path: the bitmap's pixels into `dibBuffer` through GetDIBits.
// Returns the pixel source, or null after a failure.
void* readThroughDeviceContext(IPicture* picture, const BITMAP& bitmap, ByteGrid& pixelCopy, ByteGrid& dibBuffer,
                               Boolean showErrors) {
    const ImageSize size = checkedImageSize(bitmap);
    BITMAPINFO header = dibHeader(bitmap.bmWidth, bitmap.bmHeight, 32, static_cast<DWORD>(size.totalBytes));
    dibBuffer.redim(1, size.rowBytes, 1, bitmap.bmHeight);

    const WindowDC screen = WindowDC::screen();
    if (!screen) {
        reportFailure(showErrors, kCannotCreateDeviceContext);
        return nullptr;
    }
    const int lines = gdi32::GetDIBits(screen.get(), bitmapHandleOf(picture), 0,
                                       static_cast<UINT>(header.bmiHeader.biHeight), dibBuffer.elementAddress(1, 1),
                                       &header, DIB_RGB_COLORS);
    if (lines != 0) return dibBuffer.elementAddress(1, 1);
    const std::int32_t upper1 = pixelCopy.upperBound(1);
    const std::int32_t upper2 = pixelCopy.upperBound(2);
    dibBuffer.redim(1, upper1, 1, upper2);
    reportFailure(showErrors, kCannotReadBitmapData);
    return nullptr;  // the screen's device context is released after the message
}

}  // namespace

Boolean ReadPicturePixels(IPicture* picture, PixelBufferInfo& info, ByteGrid& pixelCopy, ByteGrid& dibBuffer,
                          Boolean useOwnBits, Boolean showErrors) {
    BITMAP bitmap{};
    // A bitmap without a positive width and height has no pixels to read.
    if (gdi32::GetObjectA(bitmapHandleOf(picture), sizeof(BITMAP), &bitmap) == 0 || bitmap.bmWidth <= 0 ||
        bitmap.bmHeight <= 0) {
        reportFailure(showErrors, kCannotReadBitmapInfo);
        return kFalse;
    }
    const bool direct = useOwnBits == kTrue && bitmap.bmBits != nullptr && bitmap.bmBitsPixel == 32;
    void* source = direct ? bitmap.bmBits : readThroughDeviceContext(picture, bitmap, pixelCopy, dibBuffer, showErrors);
    if (!source) return kFalse;

    const ImageSize size = checkedImageSize(bitmap);
    bitmap.bmWidthBytes = size.rowBytes;
    bitmap.bmBitsPixel = 32;
    pixelCopy.redim(1, size.rowBytes, 1, bitmap.bmHeight);
    kernel32::RtlMoveMemory(pixelCopy.elementAddress(1, 1), source, static_cast<SIZE_T>(size.totalBytes));

    info.SourceBitmap = bitmap;
    info.SourceBitmap.bmBits = pixelCopy.elementAddress(1, 1);
    info.TargetBitmap = bitmap;
    info.TargetBitmap.bmBits = source;
    return kTrue;
}

}  // namespace velmora::engine

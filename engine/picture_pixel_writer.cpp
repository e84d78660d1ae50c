#include "picture_pixel_writer.h"

#include "application.h"
#include "engine_messages.h"
#include "handles.h"
#include "picture.h"
#include "platform.h"
#include "conversions.h"
#include "dib_header.h"
#include "runtime_error.h"

namespace velmora::engine {
namespace {

using namespace runtime;

// The bitmap behind the box's current picture, or 0 when it is to be ignored.
HBITMAP currentBitmap(PictureBox& pictureBox, Boolean forceNewPicture) {
    const OLE_HANDLE handle = pictureHandle(pictureBox.Picture().get());
    return forceNewPicture != 0 ? nullptr : reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
}

// A target whose pixels can be copied: a positive width and height, rows of
// 4 x width bytes of 32-bit pixels, and pixel memory. Anything else would
// copy a negative size turned huge, too many bytes or from address 0.
bool canBeCopied(const BitmapRecord& target, std::int32_t bytes) {
    return target.bmWidth > 0 && target.bmHeight > 0 && target.bmBitsPixel == 32 &&
           target.bmWidthBytes == 4 * static_cast<std::int64_t>(target.bmWidth) && bytes > 0 &&
           target.bmBits != nullptr;
}

bool fitsTheCurrentBitmap(int objectResult, const BITMAP& current, const BitmapRecord& target) {
    return objectResult > 0 && current.bmBits != nullptr && current.bmWidth == target.bmWidth &&
           current.bmHeight == target.bmHeight && current.bmBitsPixel == target.bmBitsPixel;
}

Boolean showNewPicture(PictureBox& pictureBox, const BitmapRecord& target) {
    const std::int32_t bytes = checkedMultiply(target.bmHeight, target.bmWidthBytes);
    if (!canBeCopied(target, bytes)) {
        messageBox(kCannotCopyPicture);
        return kFalse;
    }
    const BITMAPINFO header = dibHeader(target.bmWidth, target.bmHeight, 32, static_cast<DWORD>(bytes));
    PICTDESC description{};
    description.cbSizeofstruct = sizeof(PICTDESC);
    description.picType = PICTYPE_BITMAP;

    // Declared in this order so that the clean-up releases the device context
    // first, then deletes a bitmap that no picture object took, then lets go
    // of the writer's own reference to the new picture.
    ComPtr<IPicture> created;
    OwnedBitmap bitmap;
    const WindowDC screen = WindowDC::screen();
    if (!screen) {
        messageBox(kCannotCreateDeviceContext);
        return kFalse;
    }
    void* pixels = nullptr;
    bitmap.reset(gdi32::CreateDIBSection(screen.get(), &header, DIB_RGB_COLORS, &pixels, nullptr, 0));
    description.bmp.hbitmap = bitmap.get();
    if (!bitmap || !pixels) {
        messageBox(kCannotCopyPicture);
        return kFalse;
    }
    kernel32::RtlMoveMemory(pixels, target.bmBits, static_cast<SIZE_T>(bytes));

    IID pictureInterface{};
    if (ole32::CLSIDFromString(kPictureInterfaceId, &pictureInterface) != 0) {
        messageBox(kOleError);
        return kFalse;
    }
    if (olepro32::OleCreatePictureIndirect(&description, pictureInterface, kTrue,
                                           reinterpret_cast<void**>(created.receive())) != 0) {
        created.reset();
        messageBox(kOlePictureCreationError);
        return kFalse;
    }
    bitmap.release();  // the picture object owns it now

    HRESULT viewed = S_OK;
    const PictureObject shown = created.as<IPictureDisp>(&viewed);
    raiseOnFailure(viewed);
    pictureBox.setPicture(nullptr);
    pictureBox.setPicture(shown);
    return kTrue;
}

}  // namespace

Boolean WritePicturePixels(PictureBox& pictureBox, const BitmapRecord& target, Boolean forceNewPicture) {
    const HBITMAP current = currentBitmap(pictureBox, forceNewPicture);
    BITMAP shape{};
    const int objectResult = current ? gdi32::GetObjectA(current, sizeof(BITMAP), &shape) : 0;

    if (target.bmBits == shape.bmBits) {
        pictureBox.Refresh();
        return kTrue;
    }
    if (fitsTheCurrentBitmap(objectResult, shape, target)) {
        const std::int32_t bytes = checkedMultiply(target.bmWidthBytes, target.bmHeight);
        if (!canBeCopied(target, bytes) || bytes > static_cast<std::int64_t>(shape.bmWidthBytes) * shape.bmHeight) {
            messageBox(kCannotCopyPicture);
            return kFalse;
        }
        kernel32::RtlMoveMemory(shape.bmBits, target.bmBits, static_cast<SIZE_T>(bytes));
        pictureBox.Refresh();
        return kTrue;
    }
    return showNewPicture(pictureBox, target);
}

}  // namespace velmora::engine

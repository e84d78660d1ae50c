// The platform's picture objects (IPicture / IPictureDisp) as the programs
// use them: made from bitmaps they own, and their handles.
#pragma once

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include "com_ptr.h"

namespace velmora::runtime {

using PictureObject = ComPtr<IPictureDisp>;

// A picture object that owns `bitmap` (deleted when its last reference goes).
// On failure the bitmap is deleted and a run-time error raised.
PictureObject pictureOwningBitmap(HBITMAP bitmap);

// A picture object without an image (its handle is 0).
PictureObject emptyPicture();

// The picture's handle, read through its dispatch interface (dispatch
// identifier 0, no arguments); a failure code raises a run-time error.
OLE_HANDLE pictureHandle(IPictureDisp* picture);

// The bitmap a picture shows, or 0 for a picture of another kind or none.
HBITMAP pictureBitmap(IPictureDisp* picture);

}  // namespace velmora::runtime

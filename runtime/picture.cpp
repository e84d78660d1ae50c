#include "picture.h"

#include "handles.h"
#include "runtime_error.h"

namespace velmora::runtime {
namespace {

PictureObject createPicture(PICTDESC& description, BOOL owns) {
    PictureObject picture;
    const HRESULT result = OleCreatePictureIndirect(&description, IID_IPictureDisp, owns,
                                                    reinterpret_cast<void**>(picture.receive()));
    raiseOnFailure(result);
    return picture;
}

}  // namespace

PictureObject pictureOwningBitmap(HBITMAP bitmap) {
    OwnedBitmap owned(bitmap);  // deleted here if no picture takes it
    PICTDESC description{};
    description.cbSizeofstruct = sizeof(description);
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap;
    PictureObject picture = createPicture(description, TRUE);
    owned.release();
    return picture;
}

PictureObject emptyPicture() {
    PICTDESC description{};
    description.cbSizeofstruct = sizeof(description);
    description.picType = PICTYPE_NONE;
    return createPicture(description, FALSE);
}

OLE_HANDLE pictureHandle(IPictureDisp* picture) {
    DISPPARAMS noArguments{};
    VARIANT result;
    VariantInit(&result);
    raiseOnFailure(picture->Invoke(DISPID_PICT_HANDLE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                   &noArguments, &result, nullptr, nullptr));
    const HRESULT converted = VariantChangeType(&result, &result, 0, VT_I4);
    const OLE_HANDLE handle = SUCCEEDED(converted) ? static_cast<OLE_HANDLE>(result.lVal) : 0;
    VariantClear(&result);
    raiseOnFailure(converted);
    return handle;
}

HBITMAP pictureBitmap(IPictureDisp* picture) {
    if (!picture) return nullptr;
    const ComPtr<IPicture> view = ComPtr<IPictureDisp>::share(picture).as<IPicture>();
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (!view || FAILED(view->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(view->get_Handle(&handle))) {
        return nullptr;
    }
    return reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
}

}  // namespace velmora::runtime

#include "clipboard.h"

#include <windows.h>

#include "application.h"
#include "handles.h"
#include "runtime_error.h"

namespace velmora::runtime::Clipboard {
namespace {

class OpenedClipboard {
public:
    OpenedClipboard() {
        if (!OpenClipboard(mainFormWindow())) throw RuntimeError::numbered(kCannotOpenClipboard);
    }
    ~OpenedClipboard() { CloseClipboard(); }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
};

RuntimeError invalidFormat() { return RuntimeError::numbered(kInvalidClipboardFormat); }

// The image format the clipboard's owner put there: the clipboard lists the
// formats placed first and those it can make from them after. 0 for none.
UINT placedImageFormat() {
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
        if (format == CF_BITMAP || format == CF_DIB || format == CF_DIBV5) return format;
    }
    return 0;
}

// The bytes from the start of a packed DIB (header, colour masks or table,
// pixels) to its pixels.
std::size_t offsetOfPixels(const BITMAPINFOHEADER& header) {
    std::size_t offset = header.biSize;
    if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER)) offset += 3 * sizeof(DWORD);
    DWORD colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount <= 8) colours = 1u << header.biBitCount;
    return offset + colours * sizeof(RGBQUAD);
}

// A device-dependent copy of the clipboard's bitmap.
HBITMAP copyOfBitmap() {
    const HANDLE bitmap = GetClipboardData(CF_BITMAP);
    if (!bitmap) throw invalidFormat();
    return static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0));
}

// A device-dependent bitmap made from the clipboard's device-independent one,
// directly: asking for CF_BITMAP would have the clipboard make one first and
// then copy it.
HBITMAP bitmapFromDib(UINT format) {
    const HANDLE dib = GetClipboardData(format);
    const auto* packed = static_cast<const BYTE*>(dib ? GlobalLock(dib) : nullptr);
    if (!packed) throw invalidFormat();
    const auto* info = reinterpret_cast<const BITMAPINFO*>(packed);
    HBITMAP bitmap = nullptr;
    if (GlobalSize(dib) > offsetOfPixels(info->bmiHeader)) {
        bitmap = CreateDIBitmap(WindowDC::screen().get(), &info->bmiHeader, CBM_INIT,
                                packed + offsetOfPixels(info->bmiHeader), info, DIB_RGB_COLORS);
    }
    GlobalUnlock(dib);
    return bitmap;
}

}  // namespace

void Clear() {
    OpenedClipboard clipboard;
    EmptyClipboard();
}

PictureObject GetData(std::int32_t format) {
    if (format != CF_BITMAP) throw invalidFormat();
    HBITMAP copy = nullptr;
    {
        OpenedClipboard clipboard;
        const UINT placed = placedImageFormat();
        if (placed == 0) throw invalidFormat();
        copy = placed == CF_BITMAP ? copyOfBitmap() : bitmapFromDib(placed);
    }
    if (!copy) throw RuntimeError::outOfMemory();
    return pictureOwningBitmap(copy);
}

}  // namespace velmora::runtime::Clipboard

#include "clipboard.h"

#include <windows.h>

#include <cstdint>
#include <limits>

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
// pixels) to its pixels. In 64 bits: the header's fields come from another
// program and may be anything.
std::uint64_t offsetOfPixels(const BITMAPINFOHEADER& header) {
    std::uint64_t offset = header.biSize;
    if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER)) offset += 3 * sizeof(DWORD);
    std::uint64_t colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount <= 8) colours = std::uint64_t{1} << header.biBitCount;
    return offset + colours * sizeof(RGBQUAD);
}

// The bytes a packed DIB must hold: up to its pixels, then every row of an
// uncompressed image, or the size a compressed one states.
std::uint64_t bytesOfPackedDib(const BITMAPINFOHEADER& header) {
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) {
        return offsetOfPixels(header) + header.biSizeImage;
    }
    const auto magnitude = [](LONG value) {
        return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    };
    const std::uint64_t rows = magnitude(header.biHeight);
    const std::uint64_t rowBytes = (magnitude(header.biWidth) * header.biBitCount + 31) / 32 * 4;
    if (rows != 0 && rowBytes > std::numeric_limits<std::uint64_t>::max() / 2 / rows) {
        return std::numeric_limits<std::uint64_t>::max();  // more than any memory holds
    }
    return offsetOfPixels(header) + rowBytes * rows;
}

// A device-dependent copy of the clipboard's bitmap.
HBITMAP copyOfBitmap() {
    const HANDLE bitmap = GetClipboardData(CF_BITMAP);
    if (!bitmap) throw invalidFormat();
    return static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0));
}

// A device-dependent bitmap made from the clipboard's device-independent one,
// directly: asking for CF_BITMAP would have the clipboard make one first and
// then copy it. A DIB shorter than its header says is refused, not read
// beyond its end.
HBITMAP bitmapFromDib(UINT format) {
    const HANDLE dib = GetClipboardData(format);
    const auto* packed = static_cast<const BYTE*>(dib ? GlobalLock(dib) : nullptr);
    if (!packed) throw invalidFormat();
    const ScopeExit unlock([dib] { GlobalUnlock(dib); });
    const SIZE_T size = GlobalSize(dib);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(packed);
    if (size < sizeof(BITMAPINFOHEADER) || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) ||
        size < bytesOfPackedDib(info->bmiHeader)) {
        throw invalidFormat();
    }
    return CreateDIBitmap(WindowDC::screen().get(), &info->bmiHeader, CBM_INIT,
                          packed + static_cast<std::size_t>(offsetOfPixels(info->bmiHeader)), info, DIB_RGB_COLORS);
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

#include "clipboard.h"

#include <windows.h>

#include "application.h"
#include "runtime_error.h"

namespace velmora::runtime::Clipboard {
namespace {

constexpr std::int32_t kCannotOpenClipboard = 521;
constexpr std::int32_t kInvalidClipboardFormat = 460;

class OpenedClipboard {
public:
    OpenedClipboard() {
        if (!OpenClipboard(mainFormWindow())) throw RuntimeError(kCannotOpenClipboard, L"Can't open Clipboard");
    }
    ~OpenedClipboard() { CloseClipboard(); }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
};

}  // namespace

void Clear() {
    OpenedClipboard clipboard;
    EmptyClipboard();
}

PictureObject GetData(std::int32_t format) {
    if (format != CF_BITMAP) throw RuntimeError(kInvalidClipboardFormat, L"Invalid Clipboard format");
    HBITMAP copy = nullptr;
    {
        OpenedClipboard clipboard;
        HANDLE bitmap = GetClipboardData(CF_BITMAP);
        if (!bitmap) throw RuntimeError(kInvalidClipboardFormat, L"Invalid Clipboard format");
        copy = static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0));
    }
    if (!copy) throw RuntimeError::outOfMemory();
    return pictureOwningBitmap(copy);
}

}  // namespace velmora::runtime::Clipboard

#include "picture_box.h"

#include <cstdlib>

#include "handles.h"

namespace velmora::runtime {

PictureBox::PictureBox(HWND window) : window_(window) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

const wchar_t* PictureBox::windowClass() {
    static const wchar_t* const name = [] {
        static constexpr wchar_t kName[] = L"VelmoraPictureBox";
        WNDCLASSEXW box{};
        box.cbSize = sizeof(box);
        box.style = CS_DBLCLKS;
        box.lpfnWndProc = procedure;
        box.hInstance = GetModuleHandleW(nullptr);
        box.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        box.lpszClassName = kName;
        RegisterClassExW(&box);
        return kName;
    }();
    return name;
}

LRESULT CALLBACK PictureBox::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* box = reinterpret_cast<PictureBox*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_PAINT && box) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        box->paint(dc, client);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND && box) return 1;  // paint() fills what the picture leaves
    return DefWindowProcW(window, message, wParam, lParam);
}

PictureObject PictureBox::Picture() const { return picture_ ? picture_ : emptyPicture(); }

void PictureBox::setPicture(const PictureObject& picture) {
    picture_ = picture;
    InvalidateRect(window_, nullptr, TRUE);
}

PictureObject PictureBox::Image() const { return Picture(); }

void PictureBox::Refresh() { RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

void PictureBox::paint(HDC dc, const RECT& clientArea) const {
    HBITMAP bitmap = pictureBitmap(picture_.get());
    BITMAP shape{};
    if (bitmap && GetObjectW(bitmap, sizeof(shape), &shape)) {
        const MemoryDC source(gdi32::CreateCompatibleDC(dc));
        const SelectedObject selected(source.get(), bitmap);
        BitBlt(dc, 0, 0, shape.bmWidth, std::abs(shape.bmHeight), source.get(), 0, 0, SRCCOPY);
        ExcludeClipRect(dc, 0, 0, shape.bmWidth, std::abs(shape.bmHeight));
    }
    FillRect(dc, &clientArea, GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace velmora::runtime

#include "overlay_form.h"

#include "handles.h"
#include "platform.h"
#include "conversions.h"
#include "dib_header.h"
#include "runtime_error.h"
#include "screen.h"

namespace velmora::overlay {

using namespace runtime;

FormDescription form1Description() {
    FormDescription form;
    form.caption = L"Creating &  Using VC++ DLLs";
    form.border = BorderStyle::None;
    form.clientWidth = 720;
    form.clientHeight = 645;
    form.controls = {{.name = L"tmrRefresh", .kind = ControlKind::Timer, .left = 120, .top = 120,
                      .interval = 1, .enabled = true}};
    form.closeHotKey = kCloseOverlayHotKey;
    return form;
}

Form1::Form1() : Form(form1Description()) {
    onTimer(L"tmrRefresh", [this] { tmrRefresh_Timer(); });
}

void Form1::Form_Load() {
    setWindowState(kWindowStateMaximized);
    const LONG extendedStyle = user32::GetWindowLongA(hWnd(), GWL_EXSTYLE);
    user32::SetWindowLongA(hWnd(), GWL_EXSTYLE, extendedStyle | WS_EX_LAYERED | WS_EX_TRANSPARENT);
    user32::SetLayeredWindowAttributes(hWnd(), 0, 255, LWA_ALPHA);
    user32_dll::SetWindowPos(hWnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

void Form1::tmrRefresh_Timer() {
    const std::int32_t w = roundToLong(divideSingles(Screen::Width(), Screen::TwipsPerPixelX()));
    const std::int32_t h = roundToLong(divideSingles(Screen::Height(), Screen::TwipsPerPixelY()));
    const BITMAPINFO description = dibHeader(w, h, 24);

    // The DIB section stays selected into the memory device context (the
    // object selected before is not kept); declared first, it is deleted
    // after the device context, when it is no longer selected anywhere.
    OwnedBitmap section;
    const MemoryDC memory(gdi32::CreateCompatibleDC(nullptr));
    if (!memory) return;
    void* pixels = nullptr;
    section.reset(gdi32::CreateDIBSection(memory.get(), &description, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!section || !pixels) return;
    gdi32::SelectObject(memory.get(), section.get());
    {
        const WindowDC screen = WindowDC::screen();
        if (!screen) return;
        gdi32::BitBlt(memory.get(), 0, 0, w, h, screen.get(), 0, 0, SRCCOPY);
    }
    grayscale_dll::ConvertToGray(static_cast<std::uint8_t*>(pixels), w, h);
    gdi32::BitBlt(hDC(), 0, 0, w, h, memory.get(), 0, 0, SRCCOPY);
}

}  // namespace velmora::overlay

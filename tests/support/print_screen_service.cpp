// The system's PrintScreen service, for running the snapshot program under
// Wine (which lacks it): a low-level keyboard hook that, when the PrintScreen
// key goes down, copies the whole screen and puts it on the clipboard. Used
// by the tests and the demo; never shipped.
//
// The image goes on the clipboard as a device-independent bitmap (CF_DIB);
// a program asking for CF_BITMAP gets it made from that in its own process.
// Wine 8 passes a CF_BITMAP between processes as its BITMAP record and bits,
// which breaks twice: the reading process keeps a screen-sized copy it never
// frees on every fetch, and BITMAP's size differs between 32-bit and 64-bit
// processes, so the picture arrives shifted or empty. A DIB's header is the
// same for both, and fetching it frees what it took.
//
// Its hidden window's title counts the captures ("PrintScreen service: N"),
// so that tests can tell how many cycles ran; the named event
// "VelmoraPrintScreenServiceReady" is set once the hook is installed.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

constexpr wchar_t kWindowClass[] = L"VelmoraPrintScreenService";
HWND serviceWindow = nullptr;
unsigned captures = 0;

// The screen as a 32-bit bottom-up DIB in movable global memory (the
// clipboard's form): the header, then the pixels. Null on failure.
HGLOBAL copyOfTheScreen() {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = GetSystemMetrics(SM_CXSCREEN);
    header.biHeight = GetSystemMetrics(SM_CYSCREEN);
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = 4 * header.biWidth * header.biHeight;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* pixels = nullptr;
    HBITMAP section = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &pixels,
                                       nullptr, 0);
    HGLOBAL image = nullptr;
    if (section && memory) {
        HGDIOBJ previous = SelectObject(memory, section);
        BitBlt(memory, 0, 0, header.biWidth, header.biHeight, screen, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memory, previous);
        image = GlobalAlloc(GMEM_MOVEABLE, sizeof(header) + header.biSizeImage);
        if (auto* bytes = static_cast<std::uint8_t*>(image ? GlobalLock(image) : nullptr)) {
            std::memcpy(bytes, &header, sizeof(header));
            std::memcpy(bytes + sizeof(header), pixels, header.biSizeImage);
            GlobalUnlock(image);
        }
    }
    if (section) DeleteObject(section);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

void putScreenOnClipboard() {
    HGLOBAL image = copyOfTheScreen();
    if (!image) return;
    if (!OpenClipboard(serviceWindow)) {
        GlobalFree(image);
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_DIB, image)) GlobalFree(image);  // the clipboard owns it otherwise
    CloseClipboard();
    ++captures;
    SetWindowTextW(serviceWindow, (L"PrintScreen service: " + std::to_wstring(captures)).c_str());
}

// Runs before the key reaches any program: the image is on the clipboard by
// the time the program that pressed the key handles its next messages.
LRESULT CALLBACK keyboardHook(int code, WPARAM message, LPARAM data) {
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
    if (code == HC_ACTION && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && key->vkCode == VK_SNAPSHOT) {
        putScreenOnClipboard();
    }
    return CallNextHookEx(nullptr, code, message, data);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    serviceWindow = CreateWindowExW(0, kWindowClass, L"PrintScreen service: 0", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    instance, nullptr);
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardHook, instance, 0);
    if (!serviceWindow || !hook) return 1;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, L"VelmoraPrintScreenServiceReady");
    SetEvent(ready);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    UnhookWindowsHookEx(hook);
    CloseHandle(ready);
    return 0;
}

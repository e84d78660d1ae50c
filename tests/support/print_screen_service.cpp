// The system's PrintScreen service, for running the snapshot program under
// Wine (which lacks it): a low-level keyboard hook that, when the PrintScreen
// key goes down, copies the whole screen into a device-dependent bitmap and
// puts it on the clipboard. Used by the tests and the demo; never shipped.
//
// Its hidden window's title counts the captures ("PrintScreen service: N"),
// so that tests can tell how many cycles ran; the named event
// "VelmoraPrintScreenServiceReady" is set once the hook is installed.
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kWindowClass[] = L"VelmoraPrintScreenService";
HWND serviceWindow = nullptr;
unsigned captures = 0;

HBITMAP copyOfTheScreen() {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

void putScreenOnClipboard() {
    HBITMAP bitmap = copyOfTheScreen();
    if (!OpenClipboard(serviceWindow)) {
        DeleteObject(bitmap);
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_BITMAP, bitmap)) DeleteObject(bitmap);  // the clipboard owns it otherwise
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

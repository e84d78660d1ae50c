// A message-only window that runs a handler for each WM_APP it receives, for
// tests of message processing.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

namespace velmora::test {

class MessageWindow {
public:
    explicit MessageWindow(std::function<void()> onMessage) : onMessage_(std::move(onMessage)) {
        static const ATOM windowClass = [] {
            WNDCLASSW description{};
            description.lpfnWndProc = procedure;
            description.hInstance = GetModuleHandleW(nullptr);
            description.lpszClassName = L"VelmoraTestMessageWindow";
            return RegisterClassW(&description);
        }();
        window = CreateWindowExW(0, MAKEINTATOM(windowClass), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~MessageWindow() { DestroyWindow(window); }
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    void post() const { PostMessageW(window, WM_APP, 0, 0); }

    HWND window;

private:
    static LRESULT CALLBACK procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(w, GWLP_USERDATA));
        if (self && message == WM_APP) {
            self->onMessage_();
            return 0;
        }
        return DefWindowProcW(w, message, wParam, lParam);
    }
    std::function<void()> onMessage_;
};

}  // namespace velmora::test

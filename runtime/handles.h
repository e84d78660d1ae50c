// Owners of the handles the programs and the runtime take: each gives back
// what it holds when it goes, so that every early return and error path
// releases what it took. GDI objects are made and released through the
// declared platform functions, so that tests see every creation and release.
#pragma once

#include <windows.h>

#include <utility>

#include "platform.h"

namespace velmora::runtime {

// A handle closed by `Close` when the owner goes or is reset; move-only.
template <typename Handle, void (*Close)(Handle)>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    // Closes the handle held and takes `handle` instead.
    void reset(Handle handle = Handle{}) {
        if (Handle old = std::exchange(handle_, handle)) Close(old);
    }
    // Hands the handle on; this owner no longer closes it.
    Handle release() { return std::exchange(handle_, Handle{}); }

private:
    Handle handle_{};
};

inline void deleteDeviceContext(HDC dc) { gdi32::DeleteDC(dc); }
inline void deleteGdiObject(HGDIOBJ object) { gdi32::DeleteObject(object); }
inline void deleteBitmap(HBITMAP bitmap) { deleteGdiObject(bitmap); }

// A memory device context (CreateCompatibleDC), deleted with DeleteDC.
using MemoryDC = UniqueHandle<HDC, &deleteDeviceContext>;
// A bitmap, deleted with DeleteObject unless handed on.
using OwnedBitmap = UniqueHandle<HBITMAP, &deleteBitmap>;

// The device context of a window (GetDC), or of the whole screen for no
// window, released with ReleaseDC; move-only.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(user32::GetDC(window)) {}
    static WindowDC screen() { return WindowDC(nullptr); }
    ~WindowDC() { release(); }
    WindowDC(WindowDC&& other) noexcept
        : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDC& operator=(WindowDC&&) = delete;
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }
    // Releases the device context now rather than when the owner goes.
    void release() {
        if (HDC dc = std::exchange(dc_, nullptr)) user32::ReleaseDC(window_, dc);
    }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a device context; the object selected before is
// put back when the owner goes, so that the object can then be deleted.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(gdi32::SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (previous_) gdi32::SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

    // False when the object could not be selected.
    explicit operator bool() const { return previous_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Runs `action` when the scope it is made in is left, however it is left.
template <typename Action>
class ScopeExit {
public:
    explicit ScopeExit(Action action) : action_(std::move(action)) {}
    ~ScopeExit() { action_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Action action_;
};

}  // namespace velmora::runtime

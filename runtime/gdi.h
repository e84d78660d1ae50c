// Owners of the GDI objects the programs obtain through their declared
// platform functions: each releases what it holds through the same bindings,
// so every early return and error path gives back what it took.
#pragma once

#include <windows.h>

#include <utility>

#include "platform.h"

namespace velmora::runtime {

// The device context of the whole screen (GetDC(0)), released with ReleaseDC(0, dc).
class ScreenDeviceContext {
public:
    ScreenDeviceContext() : dc_(user32::GetDC(nullptr)) {}
    ~ScreenDeviceContext() { release(); }
    ScreenDeviceContext(const ScreenDeviceContext&) = delete;
    ScreenDeviceContext& operator=(const ScreenDeviceContext&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }
    void release() {
        if (HDC dc = std::exchange(dc_, nullptr)) user32::ReleaseDC(nullptr, dc);
    }

private:
    HDC dc_;
};

// A memory device context, deleted with DeleteDC.
class MemoryDeviceContext {
public:
    explicit MemoryDeviceContext(HDC dc) : dc_(dc) {}
    ~MemoryDeviceContext() {
        if (dc_) gdi32::DeleteDC(dc_);
    }
    MemoryDeviceContext(const MemoryDeviceContext&) = delete;
    MemoryDeviceContext& operator=(const MemoryDeviceContext&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_;
};

// A bitmap, deleted with DeleteObject unless ownership is handed on.
class OwnedBitmap {
public:
    OwnedBitmap() = default;
    explicit OwnedBitmap(HBITMAP bitmap) : bitmap_(bitmap) {}
    ~OwnedBitmap() { reset(); }
    OwnedBitmap(const OwnedBitmap&) = delete;
    OwnedBitmap& operator=(const OwnedBitmap&) = delete;

    HBITMAP get() const { return bitmap_; }
    explicit operator bool() const { return bitmap_ != nullptr; }
    void reset(HBITMAP bitmap = nullptr) {
        if (HBITMAP old = std::exchange(bitmap_, bitmap)) gdi32::DeleteObject(old);
    }
    // Hands the bitmap to a new owner; this one no longer deletes it.
    HBITMAP release() { return std::exchange(bitmap_, nullptr); }

private:
    HBITMAP bitmap_ = nullptr;
};

}  // namespace velmora::runtime

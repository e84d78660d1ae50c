// An owning reference to a COM interface: AddRef on copy, Release on reset
// and destruction.
#pragma once

#include <unknwn.h>

#include <utility>

namespace velmora::runtime {

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes over a reference the caller already holds.
    static ComPtr adopt(Interface* pointer) {
        ComPtr result;
        result.pointer_ = pointer;
        return result;
    }
    // Takes a reference of its own.
    static ComPtr share(Interface* pointer) {
        if (pointer) pointer->AddRef();
        return adopt(pointer);
    }

    ComPtr(const ComPtr& other) : pointer_(other.pointer_) {
        if (pointer_) pointer_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset() {
        if (Interface* old = std::exchange(pointer_, nullptr)) old->Release();
    }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For functions that hand out a new reference through an out parameter.
    Interface** receive() {
        reset();
        return &pointer_;
    }

    // Another interface of the same object (QueryInterface), or an empty
    // pointer with the failure code in `result`.
    template <typename Other>
    ComPtr<Other> as(HRESULT* result = nullptr) const {
        ComPtr<Other> other;
        const HRESULT code =
            pointer_ ? pointer_->QueryInterface(__uuidof(Other), reinterpret_cast<void**>(other.receive()))
                     : E_POINTER;
        if (result) *result = code;
        return other;
    }

private:
    Interface* pointer_ = nullptr;
};

}  // namespace velmora::runtime

// Choosing among implementations of one routine that share a signature: a
// plain reference and vectorised variants of it.
#pragma once

#include <atomic>
#include <span>
#include <string_view>

namespace velmora {

template <typename Function>
struct Variant {
    const char* name;
    Function function;
    bool supportedByThisCpu;
};

// A routine's variants, listed plain first and then ever wider, so that the
// last one this CPU supports is the fastest: that one is chosen on the first
// call and kept. Tests can pin any supported variant instead, so that the
// public entry that dispatches here runs through each of them.
template <typename Function>
class VariantDispatch {
public:
    using Table = std::span<const Variant<Function>>;

    explicit constexpr VariantDispatch(Table (*table)()) : table_(table) {}

    Table variants() const { return table_(); }

    Function chosen() {
        if (const Function pinned = pinned_.load(std::memory_order_acquire)) return pinned;
        Function fastest = fastest_.load(std::memory_order_acquire);
        if (fastest == nullptr) {
            fastest = lastSupported();
            fastest_.store(fastest, std::memory_order_release);
        }
        return fastest;
    }

    // Test hook: makes chosen() return the supported variant called `name`
    // until unpin(); false (and nothing pinned) when there is no such variant.
    bool pin(std::string_view name) {
        for (const Variant<Function>& variant : variants()) {
            if (variant.supportedByThisCpu && name == variant.name) {
                pinned_.store(variant.function, std::memory_order_release);
                return true;
            }
        }
        return false;
    }

    void unpin() { pinned_.store(nullptr, std::memory_order_release); }

private:
    Function lastSupported() const {
        Function best = nullptr;
        for (const Variant<Function>& variant : variants()) {
            if (variant.supportedByThisCpu) best = variant.function;
        }
        return best;
    }

    Table (*table_)();
    std::atomic<Function> fastest_{nullptr};
    std::atomic<Function> pinned_{nullptr};
};

// Pins a variant for the lifetime of a scope (tests and benchmarks).
template <typename Function>
class PinnedVariant {
public:
    PinnedVariant(VariantDispatch<Function>& dispatch, std::string_view name)
        : dispatch_(dispatch), pinned_(dispatch.pin(name)) {}
    ~PinnedVariant() { dispatch_.unpin(); }
    PinnedVariant(const PinnedVariant&) = delete;
    PinnedVariant& operator=(const PinnedVariant&) = delete;

    explicit operator bool() const { return pinned_; }

private:
    VariantDispatch<Function>& dispatch_;
    bool pinned_;
};

}  // namespace velmora

// A padded 24-bit test image with random contents, checks of a converted copy
// against the model, and runs of ConvertToGray pinned to each variant.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "gray_conversion.h"
#include "gray_model.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace velmora::test {

inline std::size_t paddedPitch(int width) { return (3 * static_cast<std::size_t>(width) + 3) & ~std::size_t{3}; }

struct PaddedImage {
    int width;
    int height;
    std::vector<std::uint8_t> bytes;  // exactly height rows of the padded pitch

    PaddedImage(int w, int h, std::mt19937& random)
        : width(w), height(h), bytes(paddedPitch(w) * static_cast<std::size_t>(h)) {
        std::uniform_int_distribution<int> byte(0, 255);
        for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(byte(random));
    }
};

// Expects `converted` to hold the model's gray for every pixel of `original`
// and the original values in every padding byte.
inline void expectConvertedWithPaddingKept(const PaddedImage& original,
                                           const std::vector<std::uint8_t>& converted) {
    ASSERT_EQ(converted.size(), original.bytes.size());
    const std::size_t pitch = paddedPitch(original.width);
    for (int r = 0; r < original.height; ++r) {
        const std::uint8_t* in = &original.bytes[r * pitch];
        const std::uint8_t* out = &converted[r * pitch];
        for (int x = 0; x < original.width; ++x, in += 3, out += 3) {
            const int gray = modelGray(in[2], in[1], in[0]);
            if (out[0] != gray || out[1] != gray || out[2] != gray) {
                FAIL() << "pixel " << x << " of row " << r << " of " << original.width << " x "
                       << original.height;
            }
        }
        for (std::size_t p = 3 * static_cast<std::size_t>(original.width); p < pitch; ++p) {
            if (converted[r * pitch + p] != original.bytes[r * pitch + p]) {
                FAIL() << "padding byte " << p << " of row " << r << " was written";
            }
        }
    }
}

// Memory whose last `size` bytes end right where a page that may be neither
// read nor written begins: a routine that touches a byte beyond them crashes.
class BufferBeforeGuardPage {
public:
    explicit BufferBeforeGuardPage(std::size_t size) : size_(size) {
        const std::size_t page = pageSize();
        const std::size_t usable = (size + page - 1) / page * page;
        length_ = usable + page;
#ifdef _WIN32
        base_ = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, length_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD previous = 0;
        if (base_) VirtualProtect(base_ + usable, page, PAGE_NOACCESS, &previous);
#else
        void* mapped = mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        base_ = mapped == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(mapped);
        if (base_) mprotect(base_ + usable, page, PROT_NONE);
#endif
        data_ = base_ ? base_ + usable - size : nullptr;
    }
    ~BufferBeforeGuardPage() {
#ifdef _WIN32
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
#else
        if (base_) munmap(base_, length_);
#endif
    }
    BufferBeforeGuardPage(const BufferBeforeGuardPage&) = delete;
    BufferBeforeGuardPage& operator=(const BufferBeforeGuardPage&) = delete;

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    static std::size_t pageSize() {
#ifdef _WIN32
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        return system.dwPageSize;
#else
        return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
#endif
    }

    std::size_t size_;
    std::size_t length_ = 0;
    std::uint8_t* base_ = nullptr;
    std::uint8_t* data_ = nullptr;
};

// Calls `check` with ConvertToGray pinned to each variant this CPU supports,
// the plain one first.
template <typename Check>
void forEachPinnedVariant(Check check) {
    int variantsRun = 0;
    for (const auto& variant : velmora::gray::rowConverterVariants()) {
        if (!variant.supportedByThisCpu) continue;
        const velmora::PinnedVariant pinned(velmora::gray::rowConverterDispatch(), variant.name);
        ASSERT_TRUE(pinned) << variant.name;
        SCOPED_TRACE(variant.name);
        check();
        ++variantsRun;
    }
    EXPECT_GE(variantsRun, 1);
}

}  // namespace velmora::test

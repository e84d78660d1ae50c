#include "byte_grid.h"

#include <new>

#include "runtime_error.h"

namespace velmora::engine {

using runtime::RuntimeError;

void ByteGrid::redim(std::int32_t lower1, std::int32_t upper1, std::int32_t lower2, std::int32_t upper2) {
    if (upper1 < lower1 || upper2 < lower2) throw RuntimeError::subscriptOutOfRange();
    const std::uint64_t extent1 = static_cast<std::uint64_t>(static_cast<std::int64_t>(upper1) - lower1 + 1);
    const std::uint64_t extent2 = static_cast<std::uint64_t>(static_cast<std::int64_t>(upper2) - lower2 + 1);
    erase();
    // Each extent is at most 2^32, so the product is tested before it is formed.
    if (extent1 > storage_.max_size() / extent2) throw RuntimeError::outOfMemory();
    const std::uint64_t bytes = extent1 * extent2;
    try {
        storage_.assign(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        throw RuntimeError::outOfMemory();
    }
    lower_[0] = lower1, upper_[0] = upper1, lower_[1] = lower2, upper_[1] = upper2;
    bounded_ = true;
}

void ByteGrid::erase() {
    std::vector<std::uint8_t>().swap(storage_);
    bounded_ = false;
}

void ByteGrid::requireDimension(int dimension) const {
    if (!bounded_ || (dimension != 1 && dimension != 2)) throw RuntimeError::subscriptOutOfRange();
}

std::int32_t ByteGrid::lowerBound(int dimension) const {
    requireDimension(dimension);
    return lower_[dimension - 1];
}

std::int32_t ByteGrid::upperBound(int dimension) const {
    requireDimension(dimension);
    return upper_[dimension - 1];
}

std::uint8_t* ByteGrid::elementAddress(std::int32_t i, std::int32_t j) {
    if (!bounded_ || i < lower_[0] || i > upper_[0] || j < lower_[1] || j > upper_[1]) {
        throw RuntimeError::subscriptOutOfRange();
    }
    const std::size_t rowLength = static_cast<std::size_t>(static_cast<std::int64_t>(upper_[0]) - lower_[0] + 1);
    const auto row = static_cast<std::size_t>(static_cast<std::int64_t>(j) - lower_[1]);
    const auto column = static_cast<std::size_t>(static_cast<std::int64_t>(i) - lower_[0]);
    return storage_.data() + row * rowLength + column;
}

}  // namespace velmora::engine

// ByteGrid: a caller-owned dynamic two-dimensional array of bytes with a
// lower and an upper bound per dimension, stored in one contiguous block with
// the first index varying fastest, so that element (lower1, lower2) starts
// the block. It may have no bounds at all (never dimensioned, or erased).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::engine {

class ByteGrid {
public:
    bool hasBounds() const { return bounded_; }

    // Re-dimensions to (lower1 to upper1, lower2 to upper2): the old contents
    // are discarded and the new storage is all zero. An empty range raises
    // the subscript-out-of-range error (9), too large a block the
    // out-of-memory error (7).
    void redim(std::int32_t lower1, std::int32_t upper1, std::int32_t lower2, std::int32_t upper2);

    // Frees the storage; the array has no bounds afterwards.
    void erase();

    // The bounds of dimension 1 or 2; asking an array without bounds (or for
    // another dimension) raises the subscript-out-of-range error (9).
    std::int32_t lowerBound(int dimension) const;
    std::int32_t upperBound(int dimension) const;

    // The address of element (i, j); outside the bounds raises error 9.
    std::uint8_t* elementAddress(std::int32_t i, std::int32_t j);
    std::uint8_t& operator()(std::int32_t i, std::int32_t j) { return *elementAddress(i, j); }

    std::size_t byteCount() const { return storage_.size(); }
    const std::uint8_t* data() const { return storage_.data(); }

private:
    void requireDimension(int dimension) const;

    bool bounded_ = false;
    std::int32_t lower_[2] = {0, 0};
    std::int32_t upper_[2] = {0, 0};
    std::vector<std::uint8_t> storage_;
};

}  // namespace velmora::engine

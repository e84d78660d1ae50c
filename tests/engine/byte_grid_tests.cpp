// ByteGrid: bounds, layout, re-dimensioning and the unbounded state.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "byte_grid.h"
#include "error_of.h"
#include "runtime_error.h"

namespace {

using velmora::engine::ByteGrid;
using velmora::runtime::RuntimeError;

using velmora::test::errorNumberOf;

TEST(ByteGrid, StartsWithoutBoundsAndAskingForThemRaisesSubscriptOutOfRange) {
    ByteGrid grid;
    EXPECT_FALSE(grid.hasBounds());
    EXPECT_EQ(errorNumberOf([&] { grid.upperBound(1); }), 9);
    EXPECT_EQ(errorNumberOf([&] { grid.lowerBound(2); }), 9);
    EXPECT_EQ(errorNumberOf([&] { grid.elementAddress(1, 1); }), 9);
}

TEST(ByteGrid, IsOneBlockWithTheFirstIndexVaryingFastest) {
    ByteGrid grid;
    grid.redim(1, 400, 1, 50);
    EXPECT_EQ(grid.lowerBound(1), 1);
    EXPECT_EQ(grid.upperBound(1), 400);
    EXPECT_EQ(grid.lowerBound(2), 1);
    EXPECT_EQ(grid.upperBound(2), 50);
    EXPECT_EQ(grid.byteCount(), 20000u);
    std::uint8_t* start = grid.elementAddress(1, 1);
    EXPECT_EQ(start, grid.data());
    EXPECT_EQ(grid.elementAddress(2, 1), start + 1);
    EXPECT_EQ(grid.elementAddress(1, 2), start + 400);
    EXPECT_EQ(grid.elementAddress(400, 50), start + 19999);
    EXPECT_EQ(errorNumberOf([&] { grid.elementAddress(401, 1); }), 9);
    EXPECT_EQ(errorNumberOf([&] { grid.elementAddress(1, 0); }), 9);
    EXPECT_EQ(errorNumberOf([&] { grid.upperBound(3); }), 9);
}

TEST(ByteGrid, RedimDiscardsTheContentsAndZeroFills) {
    ByteGrid grid;
    grid.redim(1, 8, 1, 3);
    grid(5, 2) = 77;
    grid.redim(1, 8, 1, 3);
    EXPECT_EQ(grid(5, 2), 0);
    grid(8, 3) = 1;
    grid.redim(-2, 5, 10, 11);
    EXPECT_EQ(grid.byteCount(), 16u);
    EXPECT_EQ(grid.elementAddress(-2, 10), grid.data());
    for (std::int32_t j = 10; j <= 11; ++j) {
        for (std::int32_t i = -2; i <= 5; ++i) EXPECT_EQ(grid(i, j), 0);
    }
}

TEST(ByteGrid, EmptyRangesAndHugeBlocksAreRefused) {
    ByteGrid grid;
    EXPECT_EQ(errorNumberOf([&] { grid.redim(1, 0, 1, 1); }), 9);
    EXPECT_FALSE(grid.hasBounds());
    EXPECT_EQ(errorNumberOf([&] { grid.redim(INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX); }), 7);
    EXPECT_FALSE(grid.hasBounds());
}

TEST(ByteGrid, EraseFreesTheStorageAndTheBounds) {
    ByteGrid grid;
    grid.redim(1, 4, 1, 4);
    grid.erase();
    EXPECT_FALSE(grid.hasBounds());
    EXPECT_EQ(grid.byteCount(), 0u);
    EXPECT_EQ(errorNumberOf([&] { grid.upperBound(1); }), 9);
}

}  // namespace

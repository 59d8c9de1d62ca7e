// Thinning a series evenly to its budget by whole pieces of consecutive samples.
#include "simulation/decimatingseries.h"

#include <gtest/gtest.h>

namespace gyro {
namespace {

TEST(DecimatingSeries, KeepsEveryStrideThPieceWithTheFirstAndNewestAtEachHalving) {
    struct Case {
        std::size_t budget, piece, offered;
        std::size_t budgetUsed, stride, size;
    };
    const Case cases[] = {
        {8, 1, 8, 8, 1, 8},     // full, not yet thinned
        {8, 1, 9, 8, 2, 5},     // the ninth halves: 0 2 4 6 and the newest 8
        {8, 1, 20, 8, 4, 5},    // 0 4 8 12 16: plain decimation
        {10, 3, 12, 12, 1, 12}, // the budget rounds up to two whole pieces of three
        {10, 3, 13, 12, 2, 7},  // pieces 0 and 2 stay, the newest starts a kept piece
        {12, 3, 40, 12, 4, 12}, // 0-2 12-14 24-26 36-38: one piece in four
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.budget << "/" << c.piece << "/" << c.offered);
        DecimatingSeries<std::size_t, 4> series(c.budget, c.piece);
        for (std::size_t k = 0; k < c.offered; ++k) series.add(k);
        EXPECT_EQ(series.budget(), c.budgetUsed);
        EXPECT_EQ(series.stride(), c.stride);
        ASSERT_EQ(series.size(), c.size);
        for (std::size_t i = 0; i < series.size(); ++i) {
            EXPECT_EQ(series[i], i / c.piece * c.stride * c.piece + i % c.piece) << i;
            EXPECT_EQ(series.startsPiece(i), c.stride > 1 && i > 0 && i % c.piece == 0) << i;
        }
    }
}

} // namespace
} // namespace gyro

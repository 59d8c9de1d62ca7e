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

// A snapshot shares the chunks: the series growing, halving (which rewrites chunks in place) and
// being cleared must leave what it took untouched, and the series itself must thin as before.
TEST(DecimatingSeries, SnapshotKeepsItsSamplesThroughGrowthHalvingAndClear) {
    DecimatingSeries<std::size_t, 4> series(8, 2);
    for (std::size_t k = 0; k < 7; ++k) series.add(k);
    const auto early = series.snapshot();
    for (std::size_t k = 7; k < 9; ++k) series.add(k); // fills the shared chunk, then halves
    const auto thinned = series.snapshot();
    for (std::size_t k = 9; k < 40; ++k) series.add(k);
    ASSERT_EQ(early.size(), 7u);
    for (std::size_t i = 0; i < early.size(); ++i) {
        EXPECT_EQ(early[i], i) << i;
        EXPECT_FALSE(early.startsPiece(i)) << i;
    }
    // After the halving of nine samples: pieces 0-1 and 4-5 kept, 8 starts the next piece.
    const std::size_t afterHalving[] = {0, 1, 4, 5, 8};
    ASSERT_EQ(thinned.size(), std::size(afterHalving));
    for (std::size_t i = 0; i < thinned.size(); ++i) {
        EXPECT_EQ(thinned[i], afterHalving[i]) << i;
        EXPECT_EQ(thinned.startsPiece(i), i % 2 == 0 && i > 0) << i;
    }
    DecimatingSeries<std::size_t, 4> alone(8, 2);
    for (std::size_t k = 0; k < 40; ++k) alone.add(k);
    ASSERT_EQ(series.size(), alone.size());
    for (std::size_t i = 0; i < series.size(); ++i) EXPECT_EQ(series[i], alone[i]) << i;
    series.clear();
    EXPECT_EQ(thinned[4], 8u);
}

} // namespace
} // namespace gyro

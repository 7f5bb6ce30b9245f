// Clipping of ApplyKernel: picture rows to memory rows, positions off either buffer, and every
// source pixel landing where the caller placed it.
#include "imaging/kernels/Kernels.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

// Found by argument-dependent lookup, so it lives where KernelRect does.
void PrintTo(const KernelRect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace {

TEST(ClipToBuffers, WholeBufferAtOriginIsTheWholeBuffer) {
    ClipResult out;
    ASSERT_TRUE(ClipToBuffers({640, 480}, {640, 480}, {0, 0, 640, 480}, 0, 0, &out));
    EXPECT_EQ(out.rect, (KernelRect{0, 0, 640, 480}));
    EXPECT_EQ(out.x, 0);
    EXPECT_EQ(out.y, 0);
}

TEST(ClipToBuffers, NegativeDestinationColumnDropsTheSourceColumnsThatFallOff) {
    ClipResult out;
    ASSERT_TRUE(ClipToBuffers({64, 48}, {64, 48}, {0, 0, 64, 48}, -10, 0, &out));
    EXPECT_EQ(out.rect, (KernelRect{10, 0, 64, 48}));
    EXPECT_EQ(out.x, 0);
    EXPECT_EQ(out.y, 0);
}

TEST(ClipToBuffers, PictureRowsBecomeMemoryRowsCountedFromTheBottom) {
    ClipResult out;
    ASSERT_TRUE(ClipToBuffers({12, 10}, {10, 8}, {2, 1, 5, 4}, 3, 2, &out));
    EXPECT_EQ(out.rect, (KernelRect{2, 4, 5, 7}));
    EXPECT_EQ(out.x, 3);
    EXPECT_EQ(out.y, 5);
}

struct Refused {
    KernelRect rect;
    int32_t x, y;
};

class ClipRefusal : public ::testing::TestWithParam<Refused> {};

TEST_P(ClipRefusal, NothingLeftGivesZeroes) {
    const Refused r = GetParam();
    ClipResult out{{1, 2, 3, 4}, 5, 6};
    EXPECT_FALSE(ClipToBuffers({64, 48}, {64, 48}, r.rect, r.x, r.y, &out));
    EXPECT_EQ(out.rect, (KernelRect{0, 0, 0, 0}));
    EXPECT_EQ(out.x, 0);
    EXPECT_EQ(out.y, 0);
}

INSTANTIATE_TEST_SUITE_P(
    OffEitherBuffer, ClipRefusal,
    ::testing::Values(Refused{{0, 0, 64, 48}, 64, 0}, Refused{{0, 0, 64, 48}, 0, 48},
                      Refused{{0, 0, 64, 48}, 1000, 1000}, Refused{{0, 0, 64, 48}, -64, 0},
                      Refused{{0, 0, 64, 48}, 0, -48}, Refused{{64, 0, 80, 48}, 0, 0},
                      Refused{{0, -20, 64, 0}, 0, 0}, Refused{{0, 0, 64, 48}, INT_MAX, INT_MAX},
                      Refused{{INT_MIN, 0, INT_MIN + 10, 48}, 0, 0}));

// A source rectangle that starts left of the source: the columns that do not exist are dropped
// and the rest stays where the caller placed it, never left of the destination.
TEST(ClipToBuffers, SourceRectangleLeftOfTheSourceKeepsItsPixelsInPlace) {
    ClipResult out;
    ASSERT_TRUE(ClipToBuffers({64, 48}, {64, 48}, {-5, 0, 64, 48}, 0, 0, &out));
    EXPECT_EQ(out.rect, (KernelRect{0, 0, 64 - 5, 48}));
    EXPECT_EQ(out.x, 5);
    EXPECT_EQ(out.y, 0);
}

// Brute force over many placements: the clipped rectangle must be exactly the source pixels
// that exist and land inside the destination, each at the place the caller asked for.
TEST(ClipToBuffers, MapsExactlyThePixelsThatExistOnBothSides) {
    std::mt19937 rng(71);
    std::uniform_int_distribution<int32_t> size(1, 12);
    std::uniform_int_distribution<int32_t> coordinate(-15, 25);
    for (int round = 0; round < 20000; ++round) {
        const KernelSize dst{size(rng), size(rng)};
        const KernelSize src{size(rng), size(rng)};
        KernelRect r{coordinate(rng), coordinate(rng), 0, 0};
        r.right = r.left + size(rng);
        r.bottom = r.top + size(rng);
        const int32_t x = coordinate(rng), y = coordinate(rng);

        // The ideal: source picture pixels inside both, as a bounding box (it is a rectangle).
        int32_t left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
        for (int32_t row = r.top; row < r.bottom; ++row) {
            for (int32_t column = r.left; column < r.right; ++column) {
                const int32_t dx = x + column - r.left, dy = y + row - r.top;
                if (column < 0 || row < 0 || column >= src.width || row >= src.height) continue;
                if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height) continue;
                left = std::min(left, column), right = std::max(right, column + 1);
                top = std::min(top, row), bottom = std::max(bottom, row + 1);
            }
        }
        ClipResult out;
        const bool kept = ClipToBuffers(dst, src, r, x, y, &out);
        if (left == INT_MAX) {
            ASSERT_FALSE(kept && out.rect.right > out.rect.left && out.rect.bottom > out.rect.top)
                << "round " << round;
            continue;
        }
        ASSERT_TRUE(kept) << "round " << round;
        // Back from memory rows to picture rows.
        const KernelRect expected{left, src.height - bottom, right, src.height - top};
        ASSERT_EQ(out.rect, expected) << "round " << round;
        ASSERT_EQ(out.x, x + left - r.left) << "round " << round;
        ASSERT_EQ(out.y, dst.height - (y + bottom - r.top)) << "round " << round;
    }
}

TEST(ClipToBuffers, EmptyAndInvertedRectanglesLeaveNothing) {
    const KernelSize size{17, 17};
    for (const KernelRect r : {KernelRect{12, 12, 12, 12}, KernelRect{12, 3, 5, 9},
                               KernelRect{3, 12, 9, 5}, KernelRect{4, 4, 4, 9}}) {
        ClipResult out{{1, 1, 1, 1}, 1, 1};
        EXPECT_FALSE(ClipToBuffers(size, size, r, 12, 13, &out));
        EXPECT_EQ(out.rect, (KernelRect{0, 0, 0, 0}));
        EXPECT_EQ(out.x, 0);
        EXPECT_EQ(out.y, 0);
    }
    ClipResult out;
    EXPECT_FALSE(ClipToBuffers(size, KernelSize{12, 0}, KernelRect{-70, -70, 40, 40}, 0, 0, &out));
    EXPECT_FALSE(ClipToBuffers(KernelSize{0, 5}, size, KernelRect{0, 0, 5, 5}, 0, 0, &out));
}

} // namespace

// Frame accounting from arrival times, for cameras whose frames carry no number: synthetic
// streams with known losses and jitter.
#include "FrameGaps.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using travikcam::CountTimingGaps;
using travikcam::MedianInterval;
using travikcam::StampAccount;

// Arrivals every `period` ms, with the frames at the given positions missing.
std::vector<double> Stream(int frames, double period, const std::vector<int>& missing) {
    std::vector<double> arrivals;
    for (int i = 0; i < frames; ++i) {
        bool lost = false;
        for (const int m : missing)
            lost = lost || m == i;
        if (!lost) arrivals.push_back(1000.0 + i * period);
    }
    return arrivals;
}

TEST(FrameGaps, AnEvenStreamLosesNothing) {
    const auto gaps = CountTimingGaps(Stream(100, 40, {}), 40);
    EXPECT_EQ(gaps.frames, 100);
    EXPECT_EQ(gaps.dropped, 0);
    EXPECT_EQ(gaps.gaps, 0);
}

TEST(FrameGaps, EachMissingFrameIsCounted) {
    // One lost alone, then three in a row: two gaps, four frames.
    const auto gaps = CountTimingGaps(Stream(50, 40, {10, 30, 31, 32}), 40);
    EXPECT_EQ(gaps.frames, 46);
    EXPECT_EQ(gaps.gaps, 2);
    EXPECT_EQ(gaps.dropped, 4);
}

TEST(FrameGaps, JitterUpToOneAndAHalfPeriodsIsNoLoss) {
    // A frame late by half a period leaves intervals of 1.5 and 0.5 periods.
    std::vector<double> arrivals = Stream(10, 40, {});
    arrivals[5] += 20;
    EXPECT_EQ(CountTimingGaps(arrivals, 40).dropped, 0);
    arrivals[5] += 1; // now 1.525 periods: one frame is judged lost
    const auto gaps = CountTimingGaps(arrivals, 40);
    EXPECT_EQ(gaps.gaps, 1);
    EXPECT_EQ(gaps.dropped, 1);
}

TEST(FrameGaps, LongGapsRoundToTheNearestFrame) {
    // 3.4 periods: two frames lost; 3.6 periods: three.
    EXPECT_EQ(CountTimingGaps({0, 136}, 40).dropped, 2);
    EXPECT_EQ(CountTimingGaps({0, 144}, 40).dropped, 3);
}

TEST(FrameGaps, NoPeriodCountsNothingLost) {
    EXPECT_EQ(CountTimingGaps({0, 1000}, 0).dropped, 0);
    EXPECT_EQ(CountTimingGaps({}, 40).frames, 0);
}

TEST(FrameGaps, TheMedianIntervalIsThePeriodDespiteGaps) {
    EXPECT_NEAR(MedianInterval(Stream(60, 33.3, {7, 8, 20, 40})), 33.3, 1e-9);
    EXPECT_EQ(MedianInterval({5}), 0);
}

StampAccount Account(const std::vector<long long>& stamps) {
    StampAccount account;
    for (const long long stamp : stamps)
        account.Add(stamp);
    return account;
}

TEST(FrameStamps, SkippedNumbersAreFramesNeverDelivered) {
    const StampAccount account = Account({10, 11, 14, 15});
    EXPECT_EQ(account.Failure(), "");
    EXPECT_EQ(account.Frames(), 4);
    EXPECT_EQ(account.Skipped(), 2);
    EXPECT_EQ(account.First(), 10);
    EXPECT_EQ(account.Last(), 15);
}

// Notices handled late read the next frames early: the notices of 62 and 63 found 63 and 64
// already in the buffer, so 64 shows twice and nothing was lost.
TEST(FrameStamps, ALateReadIsNeitherALossNorARepeat) {
    const StampAccount account = Account({61, 63, 64, 64, 65});
    EXPECT_EQ(account.Failure(), "");
    EXPECT_EQ(account.Frames(), 5);
    EXPECT_EQ(account.Skipped(), 0);
    EXPECT_EQ(account.Frames() + account.Skipped(), account.Last() - account.First() + 1);
}

TEST(FrameStamps, ARepeatNoSkipExplainsIsADoubleDelivery) {
    EXPECT_EQ(Account({5, 6, 6}).Failure(), "frame 6 was delivered twice");
    // One skip explains one repeat, not two.
    EXPECT_EQ(Account({5, 7, 7, 7}).Failure(), "frame 7 was delivered twice");
}

TEST(FrameStamps, OrderAndUnreadableStampsFail) {
    EXPECT_EQ(Account({5, 8, 7}).Failure(), "frame 7 came after frame 8");
    EXPECT_EQ(Account({5, -1}).Failure(), "frame 2 has no readable stamp");
    // After a failure nothing more is counted.
    EXPECT_EQ(Account({5, 8, 7, 9}).Frames(), 2);
}

} // namespace

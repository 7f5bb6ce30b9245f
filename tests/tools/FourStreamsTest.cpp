// The rules of four cameras streaming at once: frames beside the others first, then each camera
// to its count, every camera still counting giving frames; times given, not measured.
#include "FourStreams.h"

#include <gtest/gtest.h>

namespace {

using travikcam::FourStreams;

constexpr unsigned long kStall = 20000;

// Gives each camera `count` frames in turn, one every millisecond from `now`; returns the time.
unsigned long Round(FourStreams& four, int count, unsigned long now) {
    for (int i = 0; i < count; ++i)
        for (int d = 0; d < FourStreams::kCameras; ++d)
            four.Seen(d, ++now);
    return now;
}

TEST(FourStreams, FourEvenStreamsAreAllCounted) {
    FourStreams four(100, kStall, 0);
    const unsigned long now = Round(four, 100, 0);
    EXPECT_TRUE(four.AllCounted());
    EXPECT_EQ(four.Failure(now), "");
    EXPECT_TRUE(four.Done(now));
}

TEST(FourStreams, AFastCameraStopsOnlyOnceEveryCameraStreamedBesideIt) {
    FourStreams four(100, kStall, 0);
    unsigned long now = 0;
    for (int i = 0; i < 100; ++i)
        four.Seen(0, ++now);
    EXPECT_FALSE(four.MayStop(0)); // the others have given nothing yet
    now = Round(four, 4, now);
    EXPECT_FALSE(four.MayStop(0));
    now = Round(four, 1, now); // five each
    EXPECT_TRUE(four.MayStop(0));
    EXPECT_FALSE(four.MayStop(1));
    four.Stopped(0);
    EXPECT_FALSE(four.MayStop(0));
    EXPECT_FALSE(four.AllCounted());
    EXPECT_EQ(four.Failure(now), "");
}

TEST(FourStreams, TheSlowCameraFinishesAfterTheOthersStopped) {
    FourStreams four(100, kStall, 0);
    unsigned long now = Round(four, 5, 0);
    for (int i = 0; i < 95; ++i)
        for (int d = 0; d < 3; ++d)
            four.Seen(d, ++now);
    for (int d = 0; d < 3; ++d) {
        EXPECT_TRUE(four.MayStop(d));
        four.Stopped(d);
    }
    for (int i = 0; i < 95; ++i) {
        EXPECT_FALSE(four.Done(now));
        now += 500; // slow, but never silent for long
        four.Seen(3, now);
    }
    EXPECT_TRUE(four.AllCounted());
}

TEST(FourStreams, ACameraSilentTooLongFails) {
    FourStreams four(100, kStall, 0);
    const unsigned long lastOfCamera3 = Round(four, 10, 0);
    unsigned long now = lastOfCamera3;
    for (int i = 0; i < 90; ++i)
        for (int d = 0; d < 3; ++d)
            four.Seen(d, ++now);
    EXPECT_EQ(four.Failure(lastOfCamera3 + kStall), "");
    EXPECT_EQ(four.Failure(lastOfCamera3 + kStall + 1),
              "camera 3 gave no frame for 20 s, 10 of 100");
    EXPECT_TRUE(four.Done(lastOfCamera3 + kStall + 1));
}

TEST(FourStreams, ACameraThatNeverStartsFails) {
    FourStreams four(5, kStall, 1000);
    for (int i = 0; i < 5; ++i)
        for (int d = 1; d < 4; ++d)
            four.Seen(d, 1000 + i);
    EXPECT_FALSE(four.MayStop(1)); // camera 0 has not streamed beside the others
    EXPECT_EQ(four.Failure(1000 + kStall + 1), "camera 0 gave no frame for 20 s, 0 of 5");
}

TEST(FourStreams, ARunPastItsLimitFailsThoughEveryCameraProgresses) {
    FourStreams four(100, kStall, 0);
    EXPECT_EQ(four.LimitMs(), kStall + 100000);
    unsigned long now = 0;
    while (now <= four.LimitMs()) {
        now += 10000;
        for (int d = 0; d < FourStreams::kCameras; ++d)
            four.Seen(d, now);
    }
    EXPECT_EQ(four.Failure(now), "the four cameras did not give 100 frames each in 120 s");
}

TEST(FourStreams, TheClockMayWrapAround) {
    const unsigned long start = 0xFFFFFF00ul;
    FourStreams four(5, kStall, start);
    unsigned long now = (start + 0x200ul) & 0xFFFFFFFFul; // past the wrap, 512 ms later
    EXPECT_EQ(four.Failure(now), "");
    Round(four, 5, now);
    EXPECT_TRUE(four.AllCounted());
}

} // namespace

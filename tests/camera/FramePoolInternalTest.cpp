// The frame stream's pool on its own: what each mode keeps and counts, held frames never filled
// again, skipped frames, the end of a stream and frames that outlive their camera.
#include "camera/FramePool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kBytes = 64;

// The worker's side: converts frame `id` into a buffer by writing its id into every byte.
bool Offer(FramePool& pool, std::uint64_t id) {
    StreamFrame* frame = pool.BeginFill(id, kBytes);
    if (!frame) return false;
    frame->truth.frameId = id;
    frame->bytes = kBytes;
    std::memset(frame->pixels.get(), static_cast<int>(id & 0xFF), kBytes);
    return pool.EndFill(frame);
}

std::vector<std::uint64_t> GrabAll(FramePool& pool, bool release = true) {
    std::vector<std::uint64_t> ids;
    StreamFrame* frame = nullptr;
    while (pool.Grab(0, frame) == GrabOutcome::Frame) {
        ids.push_back(frame->truth.frameId);
        if (release) EXPECT_TRUE(pool.Release(frame));
    }
    return ids;
}

struct KeepCase {
    const char* name;
    StreamConfig config;
    std::uint64_t offered;            // frames 1..offered, while nothing is grabbed
    std::vector<std::uint64_t> kept;  // what the grabs then return, in order
    std::uint64_t droppedByMode, droppedByPool;
};

class WhatTheQueueKeeps : public ::testing::TestWithParam<KeepCase> {};

TEST_P(WhatTheQueueKeeps, ForASlowConsumerAndCountsTheRest) {
    const KeepCase& c = GetParam();
    FramePool pool;
    ASSERT_TRUE(pool.Open(c.config, kBytes, DeviceTally{0, 0}));
    for (std::uint64_t id = 1; id <= c.offered; ++id)
        Offer(pool, id);
    EXPECT_EQ(pool.Counts({c.offered, 0}).queueDepth, c.kept.size());
    EXPECT_EQ(GrabAll(pool), c.kept);
    const PoolCounts counts = pool.Counts({c.offered, 0});
    EXPECT_EQ(counts.droppedByMode, c.droppedByMode);
    EXPECT_EQ(counts.droppedByPool, c.droppedByPool);
    EXPECT_EQ(counts.handedOut, c.kept.size());
    EXPECT_EQ(counts.delivered, c.offered);
    EXPECT_EQ(counts.held, 0u);
}

const StreamConfig kNewest{StreamMode::Newest, QueueFullPolicy::DropOldest, 3};
const StreamConfig kDropOldest{StreamMode::Queue, QueueFullPolicy::DropOldest, 3};
const StreamConfig kRefuseNewest{StreamMode::Queue, QueueFullPolicy::RefuseNewest, 3};

INSTANTIATE_TEST_SUITE_P(
    Modes, WhatTheQueueKeeps,
    ::testing::Values(KeepCase{"Newest", kNewest, 7, {7}, 6, 0},
                      KeepCase{"QueueDropOldest", kDropOldest, 7, {5, 6, 7}, 0, 4},
                      KeepCase{"QueueRefuseNewest", kRefuseNewest, 7, {1, 2, 3}, 0, 4},
                      KeepCase{"QueueNotFull", kRefuseNewest, 2, {1, 2}, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

class FramePoolTest : public ::testing::TestWithParam<StreamConfig> {
  protected:
    void SetUp() override { ASSERT_TRUE(pool.Open(GetParam(), kBytes, DeviceTally{100, 0})); }
    FramePool pool;
};

TEST_P(FramePoolTest, HeldFramesAreNeverFilledAgainAndLeaveNoRoomBeyondTheirShare) {
    std::vector<StreamFrame*> held;
    for (std::uint64_t id = 101; held.size() < 3; ++id) {
        ASSERT_TRUE(Offer(pool, id));
        StreamFrame* frame = nullptr;
        ASSERT_EQ(pool.Grab(0, frame), GrabOutcome::Frame);
        held.push_back(frame);
    }
    // The application holds all three: every frame now finds no room, in every mode.
    for (std::uint64_t id = 104; id < 120; ++id)
        EXPECT_FALSE(Offer(pool, id));
    EXPECT_EQ(pool.Counts({120, 0}).droppedByPool, 16u);
    for (StreamFrame* frame : held)
        for (std::size_t i = 0; i < kBytes; ++i)
            ASSERT_EQ(frame->pixels[i], frame->truth.frameId & 0xFF);
    EXPECT_TRUE(pool.Release(held[0]));
    EXPECT_FALSE(pool.Release(held[0])) << "given back twice";
    EXPECT_TRUE(Offer(pool, 121));
}

TEST_P(FramePoolTest, SkippedFramesAreCountedBeforeEachFrameAndInTheRing) {
    // Frames 101 and 104 reach the pool; 102 and 103 were passed over in the device's ring.
    ASSERT_TRUE(Offer(pool, 101));
    EXPECT_EQ(GrabAll(pool), std::vector<std::uint64_t>{101});
    ASSERT_TRUE(Offer(pool, 104));
    StreamFrame* frame = nullptr;
    ASSERT_EQ(pool.Grab(0, frame), GrabOutcome::Frame);
    EXPECT_EQ(frame->skippedBefore, 2u);
    const PoolCounts counts = pool.Counts({105, 1});
    EXPECT_EQ(counts.skippedByRing, 2u);
    EXPECT_EQ(counts.delivered, 5u);
    EXPECT_EQ(counts.lostTransfers, 1u);
    EXPECT_TRUE(pool.Release(frame));
}

TEST_P(FramePoolTest, AnEndedStreamAccountsForEveryFrameAndTellsALossOnce) {
    for (std::uint64_t id = 101; id <= 108; ++id)
        Offer(pool, id);
    StreamFrame* held = nullptr;
    ASSERT_EQ(pool.Grab(0, held), GrabOutcome::Frame);
    pool.Close(true, DeviceTally{110, 0}); // 109 and 110 were still on their way
    StreamFrame* frame = nullptr;
    EXPECT_EQ(pool.Grab(0, frame), GrabOutcome::DeviceLost);
    EXPECT_EQ(pool.Grab(1000, frame), GrabOutcome::NotRunning);
    EXPECT_EQ(WaitForSingleObject(pool.ReadyEvent(), 0), WAIT_OBJECT_0);
    const PoolCounts c = pool.Counts({500, 0});
    EXPECT_EQ(c.delivered, 10u);
    EXPECT_EQ(c.delivered, c.handedOut + c.droppedByMode + c.droppedByPool + c.skippedByRing +
                               c.discarded);
    EXPECT_EQ(c.queueDepth, 0u);
    EXPECT_EQ(held->pixels[0], held->truth.frameId & 0xFF) << "a held frame outlives its stream";
    EXPECT_TRUE(pool.Release(held));
}

TEST_P(FramePoolTest, AGrabWaitsUntilAFrameComesOrTheStreamEnds) {
    StreamFrame* frame = nullptr;
    EXPECT_EQ(pool.Grab(20, frame), GrabOutcome::TimedOut);
    EXPECT_EQ(WaitForSingleObject(pool.ReadyEvent(), 0), WAIT_TIMEOUT);
    std::thread worker([&] {
        Sleep(30);
        Offer(pool, 101);
    });
    EXPECT_EQ(pool.Grab(INFINITE, frame), GrabOutcome::Frame);
    worker.join();
    EXPECT_EQ(frame->truth.frameId, 101u);
    std::thread stopper([&] {
        Sleep(30);
        pool.Close(false, DeviceTally{101, 0});
    });
    StreamFrame* none = nullptr;
    EXPECT_EQ(pool.Grab(INFINITE, none), GrabOutcome::NotRunning);
    stopper.join();
    EXPECT_TRUE(pool.Release(frame));
}

INSTANTIATE_TEST_SUITE_P(Modes, FramePoolTest, ::testing::Values(kNewest, kDropOldest, kRefuseNewest),
                         [](const auto& info) {
                             return std::string(info.param.mode == StreamMode::Newest ? "Newest"
                                                : info.param.queueFull ==
                                                        QueueFullPolicy::DropOldest
                                                    ? "QueueDropOldest"
                                                    : "QueueRefuseNewest");
                         });

TEST(FramePoolLife, FramesHeldWhenThePoolDiesStayReadableUntilGivenBack) {
    StreamFrame* held = nullptr;
    {
        FramePool pool;
        ASSERT_TRUE(pool.Open(kNewest, kBytes, DeviceTally{0, 0}));
        ASSERT_TRUE(Offer(pool, 1));
        ASSERT_EQ(pool.Grab(0, held), GrabOutcome::Frame);
    }
    EXPECT_EQ(held->pixels[kBytes - 1], 1);
    EXPECT_TRUE(ReleaseOrphanedFrame(held));
    EXPECT_FALSE(ReleaseOrphanedFrame(held));
}

} // namespace

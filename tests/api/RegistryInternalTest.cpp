// Registry ring, error stack and error posting, driven directly through the internal library.
#include "api/SdkChain.h"
#include "camera/Travik.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Exposes the cursor so that the walk of Seek can be checked.
class TestRing : public CTRing<CSDKDATA> {
  public:
    int Current() const { return m_cursor ? m_cursor->data.handle : 0; }
    void Add(int handle) { AddNode(CSDKDATA{handle, nullptr}); }
};

TEST(Ring, NewNodeBecomesCurrentBeforeTheOldCursor) {
    TestRing ring;
    ring.Add(1);
    ring.Add(2);
    ring.Add(3);
    EXPECT_EQ(ring.Count(), 3);
    EXPECT_EQ(ring.Current(), 3);
    // 3 was inserted before 2, which was inserted before 1: the walk goes 3, 2, 1.
    ASSERT_EQ(ring.Seek(2), 1);
    EXPECT_EQ(ring.Current(), 2);
    ASSERT_EQ(ring.Seek(1), 1);
    EXPECT_EQ(ring.Current(), 1);
}

TEST(Ring, FailedSeekLeavesTheCursorOnThePredecessorOfItsStart) {
    TestRing ring;
    ring.Add(10);
    ring.Add(20);
    ring.Add(30);
    ASSERT_EQ(ring.Current(), 30);
    EXPECT_EQ(ring.Seek(99), 0);
    EXPECT_EQ(ring.Current(), 10); // 30 -> 20 -> 10, and 10 was the stop value
    EXPECT_EQ(ring.Seek(99), 0);
    EXPECT_EQ(ring.Current(), 20); // the predecessor of 10
}

TEST(Ring, RemovingTheLastNodeEmptiesTheRing) {
    TestRing ring;
    ring.Add(5);
    EXPECT_EQ(ring.Seek(5), 1);
    EXPECT_EQ(ring.RemoveCurrent(), 1);
    EXPECT_EQ(ring.Count(), 0);
    EXPECT_EQ(ring.Current(), 0);
    EXPECT_EQ(ring.Seek(5), 0);
    EXPECT_EQ(ring.RemoveCurrent(), 0);
    ring.Add(6);
    EXPECT_EQ(ring.Count(), 1);
    EXPECT_EQ(ring.Seek(6), 1);
}

TEST(ErrorStackTest, KeepsTheTwentyNewestNewestFirst) {
    ErrorStack stack;
    for (int code = 1; code <= 21; ++code) stack.Push(code);
    for (int expected = 21; expected >= 2; --expected) EXPECT_EQ(stack.Pop(), expected);
    EXPECT_EQ(stack.Pop(), 0);
    EXPECT_EQ(stack.Pop(), 0);
}

TEST(ErrorStackTest, SimultaneousReportsAreAllCounted) {
    ErrorStack stack;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) stack.Push(7);
        });
    for (auto& thread : threads) thread.join();
    for (int i = 0; i < ErrorStack::kDepth; ++i) EXPECT_EQ(stack.Pop(), 7);
    EXPECT_EQ(stack.Pop(), 0);
}

TEST(ErrorReporting, ReportPushesAndPostsToTheApplicationWindow) {
    travik_test::MessageWindow window;
    ASSERT_NE(window.hwnd(), nullptr);
    CTravik camera;
    camera.m_appWindow = window.hwnd();
    camera.ReportError(9);
    camera.ReportError(5);
    EXPECT_EQ(window.Collect(WM_CAMERA_ERROR, 50), (std::vector<LPARAM>{9, 5}));
    EXPECT_EQ(camera.GetLastError(), 5);
    EXPECT_EQ(camera.GetLastError(), 9);
    EXPECT_EQ(camera.GetLastError(), 0);
}

TEST(ErrorReporting, ReportWithoutWindowOnlyPushes) {
    CTravik camera;
    camera.ReportError(5);
    EXPECT_TRUE(travik_test::CollectThreadMessages(WM_CAMERA_ERROR).empty());
    EXPECT_EQ(camera.GetLastError(), 5);
}

TEST(ErrorReporting, PostOnlyWithoutWindowLandsInTheCallersQueue) {
    CTravik camera;
    camera.PostError(11);
    EXPECT_EQ(travik_test::CollectThreadMessages(WM_CAMERA_ERROR), (std::vector<LPARAM>{11}));
    EXPECT_EQ(camera.GetLastError(), 0);
}

TEST(Chain, ReleaseWaitsForARunningLease) {
    CSdkChain chain;
    const int handle = chain.CreateCamera();
    ASSERT_NE(handle, 0);
    std::atomic<bool> leaseEnded{false};
    CameraLease lease = chain.LeaseCamera(handle);
    ASSERT_TRUE(lease);
    std::thread releaser([&] {
        EXPECT_EQ(chain.ReleaseCamera(handle), 1);
        EXPECT_TRUE(leaseEnded.load());
    });
    Sleep(50);
    // Released in the meantime: the registry no longer hands the camera out.
    EXPECT_FALSE(chain.LeaseCamera(handle));
    lease->ReportError(1); // still safe to use
    leaseEnded = true;
    { CameraLease done = std::move(lease); }
    releaser.join();
    EXPECT_EQ(chain.Count(), 0);
}

TEST(Chain, ConcurrentCreateLeaseReleaseLeavesAnEmptyRing) {
    CSdkChain chain;
    constexpr int kThreads = 8;
    constexpr int kRounds = 3000;
    std::atomic<int> released{0};
    std::atomic<int> lastHandle{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int round = 0; round < kRounds; ++round) {
                const int handle = chain.CreateCamera();
                ASSERT_NE(handle, 0);
                lastHandle = handle;
                if (CameraLease other = chain.LeaseCamera(lastHandle.load())) other->PushError(3);
                if (CameraLease own = chain.LeaseCamera(handle)) own->GetLastError();
                released += chain.ReleaseCamera(handle);
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(released.load(), kThreads * kRounds);
    EXPECT_EQ(chain.Count(), 0);
}

} // namespace

// The strip threads: every task runs once on a lane of its own thread, the threads are joined on
// every path, and one thread makes none.
#include "KernelTestSupport.h"
#include "imaging/pipeline/FrameStrips.h"
#include "imaging/pipeline/StripPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#include <tlhelp32.h>
#endif

namespace {

// Threads of this process, counted by the system.
int CountThreads() {
#if defined(_WIN32)
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
#else
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return -1;
#endif
}

TEST(StripPool, RunsEveryTaskOnceOnLanesOfItsThreads) {
    for (int threads = 1; threads <= kMaxPipelineThreads; ++threads) {
        StripPool pool(threads);
        ASSERT_EQ(pool.Threads(), threads);
        for (int count : {0, 1, 2, 7, 64}) {
            std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
            std::atomic<int> badLanes{0};
            auto task = [&](int index, int lane) {
                runs[static_cast<size_t>(index)].fetch_add(1);
                if (lane < 0 || lane >= threads) badLanes.fetch_add(1);
            };
            pool.Run(count, task);
            for (int index = 0; index < count; ++index)
                EXPECT_EQ(runs[static_cast<size_t>(index)].load(), 1)
                    << "task " << index << " of " << count << " on " << threads << " threads";
            EXPECT_EQ(badLanes.load(), 0);
        }
    }
}

TEST(StripPool, JoinsItsThreadsWhenDestroyedAfterAnyNumberOfJobs) {
    const int baseline = CountThreads();
    ASSERT_GT(baseline, 0);
    for (int jobs = 0; jobs < 4; ++jobs) {
        {
            StripPool pool(4);
            EXPECT_EQ(CountThreads(), baseline + 3);
            std::atomic<int> done{0};
            auto task = [&](int, int) { done.fetch_add(1); };
            for (int job = 0; job < jobs; ++job)
                pool.Run(16, task);
            EXPECT_EQ(done.load(), 16 * jobs);
        }
        EXPECT_EQ(CountThreads(), baseline) << "after " << jobs << " jobs";
    }
}

// A frame that the strips split into several ranges: 1280 x 960 in 24-bit colour.
struct ColourFrame {
    kernel_test::TestImage raw{1280, 960, 8};
    kernel_test::TestImage output{1280, 960, 24};
    FramePlan Plan() {
        FramePlan plan;
        plan.source = StripSource::Demosaic;
        plan.input = PixelPlane{raw.Data(), raw.Width(), raw.Height(), raw.Stride(), 1};
        plan.output =
            PixelPlane{output.Data(), output.Width(), output.Height(), output.Stride(), 3};
        plan.demosaicInner = DemosaicInner8;
        plan.demosaicEdge = DemosaicEdge8;
        plan.demosaicBlock[kDemosaicPhase] = 1;
        plan.demosaicBlock[kDemosaicRedGain] = 100;
        plan.demosaicBlock[kDemosaicGreenGain] = 100;
        plan.demosaicBlock[kDemosaicBlueGain] = 100;
        return plan;
    }
};

TEST(FrameStripsThreads, KeepsThemFromFrameToFrameAndJoinsThemOnStopAndDestruction) {
    const int baseline = CountThreads();
    ColourFrame frame;
    const FramePlan plan = frame.Plan();
    {
        FrameStrips strips;
        EXPECT_EQ(strips.WorkerThreads(), 0); // none before the first frame
        ASSERT_TRUE(strips.Run(plan, 3));
        EXPECT_EQ(strips.WorkerThreads(), 2);
        EXPECT_EQ(CountThreads(), baseline + 2);
        ASSERT_TRUE(strips.Run(plan, 3));
        EXPECT_EQ(CountThreads(), baseline + 2); // the same threads again
        ASSERT_TRUE(strips.Run(plan, 4));        // a new count makes a new pool
        EXPECT_EQ(CountThreads(), baseline + 3);
        strips.StopThreads();
        EXPECT_EQ(strips.WorkerThreads(), 0);
        EXPECT_EQ(CountThreads(), baseline);
        ASSERT_TRUE(strips.Run(plan, 2)); // and threads again after a stop
        EXPECT_EQ(CountThreads(), baseline + 1);
    }
    EXPECT_EQ(CountThreads(), baseline);
}

TEST(FrameStripsThreads, OneThreadMakesNone) {
    const int baseline = CountThreads();
    ColourFrame frame;
    FrameStrips strips;
    ASSERT_TRUE(strips.Run(frame.Plan(), 1));
    EXPECT_EQ(strips.WorkerThreads(), 0);
    EXPECT_EQ(CountThreads(), baseline);
}

TEST(PipelineThreads, FollowsTheForcedCountWithinTheCap) {
    ForcePipelineThreads(1);
    EXPECT_EQ(PipelineThreads(), 1);
    ForcePipelineThreads(3);
    EXPECT_EQ(PipelineThreads(), 3);
    ForcePipelineThreads(kMaxPipelineThreads + 5);
    EXPECT_EQ(PipelineThreads(), kMaxPipelineThreads);
    ForcePipelineThreads(0);
    EXPECT_GE(PipelineThreads(), 1);
    EXPECT_LE(PipelineThreads(), kMaxPipelineThreads);
}

} // namespace

namespace {

// The in-place mirror of the strips against the kernel's mirror through a whole copy.
TEST(FrameStripsMirror, MatchesMirrorFrameForEverySizeFlagAndThreadCount) {
    std::mt19937 rng(5);
    FrameStrips strips;
    const int32_t sizes[][2] = {{1, 1}, {2, 3}, {7, 5}, {33, 64}, {64, 33}, {130, 301}, {5, 960}};
    for (const auto& size : sizes) {
        for (int32_t bits : {8, 16}) {
            for (int flags = 1; flags <= 3; ++flags) {
                for (int threads = 1; threads <= 4; ++threads) {
                    const bool horizontal = (flags & 1) != 0, vertical = (flags & 2) != 0;
                    auto expected = kernel_test::TestImage::WholeRows(size[0], size[1], bits);
                    for (size_t k = 0; k < expected.Bytes().size(); ++k)
                        expected.Data()[k] = static_cast<uint8_t>(rng()); // padding too
                    auto actual = expected;
                    std::vector<uint8_t> scratch(expected.Bytes().size());
                    MirrorFrame(expected.Data(), scratch.data(), size[0], size[1],
                                expected.Stride(), bits / 8, horizontal, vertical);
                    strips.Mirror(
                        PixelPlane{actual.Data(), size[0], size[1], actual.Stride(), bits / 8},
                        horizontal, vertical, threads);
                    EXPECT_TRUE(expected.Bytes() == actual.Bytes())
                        << size[0] << " x " << size[1] << ", " << bits << " bits, horizontal "
                        << horizontal << ", vertical " << vertical << ", " << threads << " threads";
                }
            }
        }
    }
}

} // namespace

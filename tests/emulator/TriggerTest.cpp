// Trigger mode and pacing: reads that wait for a trigger, time out, find a latched trigger, or
// keep to a frame rate; and the command pipe stays free while a read waits.
#include <chrono>
#include <future>

#include "EmuTestSupport.h"

namespace emu_test {
namespace {

using Trigger = EmulatorTest;
using Pacing = EmulatorTest;

struct ReadResult {
    bool ok;
    DWORD error;
    DWORD returned;
};

std::future<ReadResult> ReadAsync(const Camera& camera, std::vector<unsigned char>& frame) {
    return std::async(std::launch::async, [&camera, &frame] {
        DWORD returned = 0;
        bool ok = camera.ReadFrame(frame, &returned);
        return ReadResult{ok, GetLastError(), returned};
    });
}

bool StartInTriggerMode(const Camera& camera, unsigned timeoutMs) {
    return camera.Start() && camera.SetTimeout(timeoutMs) && camera.WriteController(11, 1);
}

void WaitForPendingRead(unsigned device) {
    for (int i = 0; i < 5000 && Stats(device).pendingReads == 0; ++i)
        Sleep(1);
    ASSERT_EQ(Stats(device).pendingReads, 1u);
}

TEST_F(Trigger, ReadWaitsForTheTriggerWhileOtherRequestsGoThrough) {
    Camera reader(0), commands(0);
    ASSERT_TRUE(StartInTriggerMode(reader, 20000));
    std::vector<unsigned char> frame(kFullFrame);
    std::future<ReadResult> read = ReadAsync(reader, frame);
    WaitForPendingRead(0);

    // The command pipe, the reply pipe and other cameras do not wait behind the read.
    unsigned value = 0;
    EXPECT_TRUE(commands.ReadController(11, value));
    EXPECT_EQ(value, 1u);
    Camera other(1);
    ASSERT_TRUE(other.Start());
    std::vector<unsigned char> otherFrame(kFullFrame);
    EXPECT_TRUE(other.ReadFrame(otherFrame));
    EXPECT_EQ(read.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);

    ASSERT_TRUE(travik_emu::Trigger(0));
    ReadResult result = read.get();
    EXPECT_TRUE(result.ok) << "error " << result.error;
    EXPECT_EQ(result.returned, kFullFrame);
    EXPECT_EQ(FrameNumber(frame, kFullFrame, false), 1u);
}

TEST_F(Trigger, ReadFailsAfterTheTimeOut) {
    Camera camera(1);
    ASSERT_TRUE(camera.Start());
    ASSERT_TRUE(camera.WriteController(11, 1));
    EXPECT_EQ(Stats(1).timeoutMs, TRAVIK_EMU_DEFAULT_TIMEOUT_MS) << "until one is set";
    ASSERT_TRUE(camera.SetTimeout(150));
    std::vector<unsigned char> frame(kFullFrame);
    Clock::time_point start = Clock::now();
    EXPECT_FALSE(camera.ReadFrame(frame));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SEM_TIMEOUT));
    EXPECT_GE(MsSince(start), 140);
    TravikEmuStats stats = Stats(1);
    EXPECT_EQ(stats.triggerTimeouts, 1u);
    EXPECT_EQ(stats.frameReadFailures, 1u);
    EXPECT_EQ(stats.timeoutMs, 150u);
}

TEST_F(Trigger, TriggerWithNoReadWaitingIsKeptForTheNext) {
    Camera camera(2);
    ASSERT_TRUE(StartInTriggerMode(camera, 5000));
    ASSERT_TRUE(travik_emu::Trigger(2));
    EXPECT_EQ(Stats(2).triggerLatched, 1u);
    std::vector<unsigned char> frame(kFullFrame);
    EXPECT_TRUE(camera.ReadFrame(frame));
    EXPECT_EQ(Stats(2).triggerLatched, 0u) << "one trigger releases one frame";
    ASSERT_TRUE(camera.SetTimeout(50));
    EXPECT_FALSE(camera.ReadFrame(frame));
}

TEST_F(Trigger, TriggerOutsideTriggerModeIsDropped) {
    Camera camera(2);
    ASSERT_TRUE(camera.Start());
    ASSERT_TRUE(travik_emu::Trigger(2));
    ASSERT_TRUE(camera.WriteController(11, 1));
    ASSERT_TRUE(camera.SetTimeout(50));
    std::vector<unsigned char> frame(kFullFrame);
    EXPECT_FALSE(camera.ReadFrame(frame));
    EXPECT_EQ(Stats(2).triggers, 1u);
}

TEST_F(Trigger, LeavingTriggerModeReleasesAWaitingRead) {
    Camera reader(3), commands(3);
    ASSERT_TRUE(StartInTriggerMode(reader, 20000));
    std::vector<unsigned char> frame(kFullFrame);
    std::future<ReadResult> read = ReadAsync(reader, frame);
    WaitForPendingRead(3);
    ASSERT_TRUE(commands.WriteController(11, 0));
    EXPECT_TRUE(read.get().ok);
}

TEST_F(Pacing, AutomaticPeriodFollowsRowsAndClock) {
    Camera camera(0);
    ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_AUTO));
    ASSERT_TRUE(camera.Start());
    EXPECT_EQ(Stats(0).framePeriodUs, 66666u) << "1000 lines of 1600 clocks at 24 MHz";
    ASSERT_TRUE(camera.WriteController(15, 3));
    EXPECT_EQ(Stats(0).framePeriodUs, 40000u) << "25 frames per second at 40 MHz";
    ASSERT_TRUE(camera.WriteController(15, 1));
    EXPECT_EQ(Stats(0).framePeriodUs, 133333u);
    ASSERT_TRUE(camera.SetTransferLength(1280 * 240));
    EXPECT_EQ(Stats(0).framePeriodUs, 37333u);
}

TEST_F(Pacing, FramesComeNoFasterThanTheRate) {
    Camera camera(1);
    ASSERT_TRUE(camera.Start());
    ASSERT_TRUE(travik_emu::SetPacing(1, TRAVIK_EMU_PACING_FIXED, 20000)); // 20 fps
    EXPECT_EQ(Stats(1).framePeriodUs, 50000u);
    std::vector<unsigned char> frame(1000);
    ASSERT_TRUE(camera.ReadFrame(frame));
    Clock::time_point start = Clock::now();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(camera.ReadFrame(frame));
    EXPECT_GE(MsSince(start), 140);
    EXPECT_FALSE(travik_emu::SetPacing(1, TRAVIK_EMU_PACING_FIXED, 0));
    EXPECT_FALSE(travik_emu::SetPacing(1, 7));
}

} // namespace
} // namespace emu_test

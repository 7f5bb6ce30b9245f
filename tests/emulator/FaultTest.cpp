// Faults set through the control device: failed reads, a short read, stalls, and clearing them.
#include "EmuTestSupport.h"

namespace emu_test {
namespace {

using Faults = EmulatorTest;
TEST_F(Faults, FailReadsFailsTheNextKReadsThenRecovers) {
    Camera camera(0);
    ASSERT_TRUE(camera.Start());
    ASSERT_TRUE(travik_emu::SetFault(0, TRAVIK_EMU_FAULT_FAIL_READS, 2));
    std::vector<unsigned char> frame(kFullFrame);
    EXPECT_FALSE(camera.ReadFrame(frame));
    EXPECT_EQ(Stats(0).faultValue, 1u);
    EXPECT_FALSE(camera.ReadFrame(frame));
    EXPECT_EQ(Stats(0).faultKind, unsigned(TRAVIK_EMU_FAULT_NONE));
    EXPECT_TRUE(camera.ReadFrame(frame));
    EXPECT_EQ(FrameNumber(frame, kFullFrame, false), 1u) << "failed reads deliver no frame";
    TravikEmuStats stats = Stats(0);
    EXPECT_EQ(stats.frameReads, 3u);
    EXPECT_EQ(stats.frameReadFailures, 2u);
    EXPECT_EQ(stats.framesDelivered, 1u);
}

TEST_F(Faults, ShortReadShortensOnlyTheNextRead) {
    Camera camera(1);
    ASSERT_TRUE(camera.Start(kFullFrame, true));
    ASSERT_TRUE(travik_emu::SetFault(1, TRAVIK_EMU_FAULT_SHORT_READ, 1000));
    std::vector<unsigned char> frame(2 * kFullFrame);
    DWORD returned = 0;
    EXPECT_TRUE(camera.ReadFrame(frame, &returned));
    EXPECT_EQ(returned, 2 * kFullFrame - 1000);
    EXPECT_TRUE(camera.ReadFrame(frame, &returned));
    EXPECT_EQ(returned, 2 * kFullFrame);
    EXPECT_EQ(Stats(1).shortReads, 1u);
}

TEST_F(Faults, StallFailsReadsAfterTheGivenTime) {
    Camera camera(2);
    ASSERT_TRUE(camera.Start());
    ASSERT_TRUE(travik_emu::SetFault(2, TRAVIK_EMU_FAULT_STALL, 120));
    std::vector<unsigned char> frame(kFullFrame);
    Clock::time_point start = Clock::now();
    EXPECT_FALSE(camera.ReadFrame(frame));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SEM_TIMEOUT));
    EXPECT_GE(MsSince(start), 110);
    EXPECT_FALSE(camera.ReadFrame(frame)) << "a stall lasts until cleared";
    ASSERT_TRUE(travik_emu::SetFault(2, TRAVIK_EMU_FAULT_NONE));
    EXPECT_TRUE(camera.ReadFrame(frame));
}

TEST_F(Faults, StallWithoutATimeWaitsForTheTimeOut) {
    Camera camera(3);
    ASSERT_TRUE(camera.Start());
    ASSERT_TRUE(camera.SetTimeout(100));
    ASSERT_TRUE(travik_emu::SetFault(3, TRAVIK_EMU_FAULT_STALL, 0));
    std::vector<unsigned char> frame(kFullFrame);
    Clock::time_point start = Clock::now();
    EXPECT_FALSE(camera.ReadFrame(frame));
    EXPECT_GE(MsSince(start), 90);
}

TEST_F(Faults, FaultRequestsOutOfRangeAreRefused) {
    EXPECT_FALSE(travik_emu::SetFault(0, 4, 1));
    EXPECT_FALSE(travik_emu::SetFault(kDevices, TRAVIK_EMU_FAULT_STALL, 1));
    EXPECT_TRUE(travik_emu::SetFault(0, TRAVIK_EMU_FAULT_FAIL_READS, 0));
    EXPECT_EQ(Stats(0).faultKind, unsigned(TRAVIK_EMU_FAULT_NONE))
        << "failing no reads is no fault";
}

} // namespace
} // namespace emu_test

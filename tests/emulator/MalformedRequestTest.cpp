// Malformed requests on camera and control devices are refused with an error and do no harm.
#include "EmuTestSupport.h"

namespace emu_test {
namespace {

using Malformed = EmulatorTest;

struct RawRequest {
    const char* name;
    DWORD code;
    std::vector<unsigned char> input; // empty: no input buffer
    DWORD outputLength;               // 0: no output buffer
};

std::vector<unsigned char> Word(unsigned value) {
    return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}

class CameraRequest : public EmulatorTest, public ::testing::WithParamInterface<RawRequest> {};

TEST_P(CameraRequest, IsRefusedAndTheCameraStillWorks) {
    const RawRequest& r = GetParam();
    Camera camera(0);
    ASSERT_TRUE(camera.Start());
    std::vector<unsigned char> input = r.input, output(r.outputLength + 16, 0);
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(camera.handle(), r.code, input.empty() ? nullptr : input.data(),
                                 DWORD(input.size()), r.outputLength ? output.data() : nullptr,
                                 r.outputLength, &returned, nullptr));
    EXPECT_NE(GetLastError(), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(Stats(0).refusedRequests, 1u);
    EXPECT_EQ(Stats(0).pendingReads, 0u);

    std::vector<unsigned char> frame(kFullFrame);
    DWORD bytes = 0;
    EXPECT_TRUE(camera.ReadFrame(frame, &bytes));
    EXPECT_EQ(bytes, kFullFrame);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, CameraRequest,
    ::testing::Values(RawRequest{"NoInput", kInDirect, {}, 64},
                      RawRequest{"InputShorterThanFourBytes", kInDirect, {0, 0, 0}, 64},
                      RawRequest{"NoDataBuffer", kInDirect, Word(0), 0},
                      RawRequest{"ShortPacket", kInDirect, Word(0), 63},
                      RawRequest{"LongPacket", kOutDirect, Word(0), 65},
                      RawRequest{"UnknownPipe", kInDirect, Word(3), 64},
                      RawRequest{"HugePipeIndex", kOutDirect, Word(0xFFFFFFFF), 64},
                      RawRequest{"ReplyPipeOnInDirect", kInDirect, Word(1), 64},
                      RawRequest{"ImagePipeOnOutDirect", kOutDirect, Word(2), 1000},
                      RawRequest{"ShortReplyBuffer", kOutDirect, Word(1), 32},
                      RawRequest{"NoFrameBuffer", kInDirect, Word(2), 0},
                      RawRequest{"TimeoutWithoutInput", TRAVIK_CAM_IOCTL_SET_TIMEOUT, {}, 0},
                      RawRequest{"TimeoutShortInput", TRAVIK_CAM_IOCTL_SET_TIMEOUT, Word(1), 0},
                      RawRequest{"TimeoutWrongFirstWord",
                                 TRAVIK_CAM_IOCTL_SET_TIMEOUT,
                                 {2, 0, 0, 0, 100, 0, 0, 0},
                                 0},
                      RawRequest{"UnknownCode", 0x222054, Word(0), 64},
                      RawRequest{"ControlCodeOnCamera", TRAVIK_EMU_IOCTL_QUERY_DRIVER, {}, 16}),
    [](const ::testing::TestParamInfo<RawRequest>& info) { return std::string(info.param.name); });

class ControlRequest : public EmulatorTest, public ::testing::WithParamInterface<RawRequest> {};

TEST_P(ControlRequest, IsRefused) {
    const RawRequest& r = GetParam();
    travik_emu::ControlDevice control;
    ASSERT_TRUE(control.IsOpen());
    std::vector<unsigned char> output(r.outputLength + 16, 0);
    EXPECT_FALSE(control.Call(r.code, r.input.empty() ? nullptr : r.input.data(),
                              DWORD(r.input.size()), r.outputLength ? output.data() : nullptr,
                              r.outputLength, nullptr, false));
    TravikEmuDriverInfo info = {};
    EXPECT_TRUE(travik_emu::QueryDriver(info));
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ControlRequest,
    ::testing::Values(
        RawRequest{"QueryWithShortOutput", TRAVIK_EMU_IOCTL_QUERY_DRIVER, {}, 8},
        RawRequest{"StatsWithoutInput", TRAVIK_EMU_IOCTL_READ_STATS, {}, sizeof(TravikEmuStats)},
        RawRequest{"StatsOfAbsentDevice", TRAVIK_EMU_IOCTL_READ_STATS, Word(kDevices),
                   sizeof(TravikEmuStats)},
        RawRequest{"StatsWithShortOutput", TRAVIK_EMU_IOCTL_READ_STATS, Word(0), 16},
        RawRequest{"RegsWithShortOutput", TRAVIK_EMU_IOCTL_READ_REGS, Word(0), 256},
        RawRequest{"LogWithShortInput", TRAVIK_EMU_IOCTL_READ_LOG, Word(0), 1024},
        RawRequest{"PluggedWithShortInput", TRAVIK_EMU_IOCTL_SET_PLUGGED, Word(0), 0},
        RawRequest{"RomReadWithShortInput", TRAVIK_EMU_IOCTL_READ_ROM, Word(0), 16},
        RawRequest{"UnknownControlCode", TRAVIK_EMU_CODE(0x9FF), Word(0), 16},
        RawRequest{"CameraCodeOnControl", kInDirect, Word(0), 64}),
    [](const ::testing::TestParamInfo<RawRequest>& info) { return std::string(info.param.name); });

TEST_F(Malformed, PluggedValueOtherThanZeroOrOneIsRefused) {
    TravikEmuValueRequest request = {0, 2};
    EXPECT_FALSE(travik_emu::ControlDevice().Call(TRAVIK_EMU_IOCTL_SET_PLUGGED, &request,
                                                  sizeof(request), nullptr, 0));
    EXPECT_EQ(Stats(0).plugged, 1u);
}

TEST_F(Malformed, RequestsAfterAStormOfBadOnesStillWork) {
    Camera camera(1);
    for (int i = 0; i < 200; ++i) {
        DWORD code = kInDirect + unsigned(i % 7) * 4 - 12;
        unsigned char junk[8] = {static_cast<unsigned char>(i), 0xFF, 0xFF, 0xFF};
        DWORD returned = 0;
        DeviceIoControl(camera.handle(), code, junk, i % 9, junk, i % 5, &returned, nullptr);
    }
    ASSERT_TRUE(camera.Start());
    std::vector<unsigned char> frame(kFullFrame);
    EXPECT_TRUE(camera.ReadFrame(frame));
    EXPECT_EQ(FrameNumber(frame, kFullFrame, false), 1u);
}

} // namespace
} // namespace emu_test

// Four cameras streaming at once from four threads, each with its own state and frame numbers.
#include <thread>

#include "EmuTestSupport.h"

namespace emu_test {
namespace {

using Streaming = EmulatorTest;

struct StreamResult {
    unsigned frames = 0;
    unsigned firstNumber = 0;
    bool consecutive = true;
    bool patternKept = true;
    DWORD error = 0;
};

// Streams like the SDK's transfer thread: start packet on the out-direct code, then a frame read.
void Stream(unsigned device, unsigned count, StreamResult& result) {
    Camera camera(device);
    const size_t samples = kWidth * 480;
    if (!camera.Start(unsigned(samples), device % 2 == 1)) {
        result.error = GetLastError();
        return;
    }
    const bool word = device % 2 == 1;
    std::vector<unsigned char> frame(samples << word);
    for (unsigned i = 0; i < count; ++i) {
        DWORD returned = 0;
        if (!camera.ReadFrame(frame, &returned) || returned != frame.size()) {
            result.error = GetLastError();
            return;
        }
        unsigned number = FrameNumber(frame, samples, word);
        if (i == 0)
            result.firstNumber = number;
        else if (number != result.firstNumber + i)
            result.consecutive = false;
        // The flat value differs per device: no camera sees another's picture.
        if (Sample(frame, 100, word) != (word ? 100 + device : (100 + device) >> 2))
            result.patternKept = false;
        ++result.frames;
    }
}

TEST_F(Streaming, FourDevicesStreamAtOnceFromFourThreads) {
    const unsigned count = 40;
    StreamResult results[kDevices];
    for (unsigned device = 0; device < kDevices; ++device)
        ASSERT_TRUE(travik_emu::SetPattern(device, TRAVIK_EMU_PATTERN_FLAT, {100 + device}));
    std::vector<std::thread> threads;
    for (unsigned device = 0; device < kDevices; ++device)
        threads.emplace_back(Stream, device, count, std::ref(results[device]));
    for (std::thread& t : threads)
        t.join();
    for (unsigned device = 0; device < kDevices; ++device) {
        SCOPED_TRACE("device " + std::to_string(device));
        EXPECT_EQ(results[device].error, 0u);
        EXPECT_EQ(results[device].frames, count);
        EXPECT_TRUE(results[device].patternKept);
        EXPECT_EQ(Stats(device).framesDelivered, count);
        EXPECT_EQ(Stats(device).commandCounts[TRAVIK_EMU_CMD_START_FRAME], count);
    }
}

TEST_F(Streaming, SceneFrameNumbersAreConsecutiveWhileStreaming) {
    StreamResult results[kDevices];
    std::vector<std::thread> threads;
    for (unsigned device = 0; device < kDevices; ++device) {
        ASSERT_TRUE(travik_emu::SetPacing(device, TRAVIK_EMU_PACING_FIXED, 200000)); // 200 fps
        threads.emplace_back(Stream, device, 20, std::ref(results[device]));
    }
    for (std::thread& t : threads)
        t.join();
    for (unsigned device = 0; device < kDevices; ++device) {
        EXPECT_EQ(results[device].frames, 20u) << device;
        EXPECT_EQ(results[device].firstNumber, 1u) << device;
        EXPECT_TRUE(results[device].consecutive) << device;
    }
}

} // namespace
} // namespace emu_test

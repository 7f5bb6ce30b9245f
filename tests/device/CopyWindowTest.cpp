// Copying the capture window out of raw frames, and the bounds every copy keeps.
#include "device/TVKSdkLib.h"
#include "DeviceTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using device_test::kAbsentName;
using device_test::TestDevice;

struct WindowCase {
    int totalWidth, xOffset, width, totalHeight, yOffset, height;
    int wordMode;
};

std::vector<std::uint8_t> NumberedFrame(std::size_t bytes) {
    std::vector<std::uint8_t> frame(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        frame[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return frame;
}

class CopyWindowGeometry : public testing::TestWithParam<WindowCase> {};

TEST_P(CopyWindowGeometry, TakesEachRowAtItsOffsetInTheTotalFrame) {
    const WindowCase& c = GetParam();
    TestDevice device(kAbsentName);
    ASSERT_EQ(device.SetFrameGeometry(c.totalWidth, c.xOffset, c.width, c.totalHeight, c.yOffset,
                                      c.height, 4),
              TVK_OK);
    device.StoreWordMode(c.wordMode);
    const std::size_t pixel = c.wordMode ? 2 : 1;
    const std::vector<std::uint8_t> frame = NumberedFrame(device.GetSlotSize());
    std::vector<std::uint8_t> out(device.WindowBytes() + 16, 0xEE);
    ASSERT_EQ(device.WindowBytes(), static_cast<std::size_t>(c.width) * c.height * pixel);

    ASSERT_EQ(device.CopyWindow(out.data(), device.WindowBytes(), frame.data(), frame.size()),
              TVK_OK);
    for (int row = 0; row < c.height; ++row)
        for (std::size_t b = 0; b < c.width * pixel; ++b) {
            const std::size_t source =
                (static_cast<std::size_t>(c.yOffset + row) * c.totalWidth + c.xOffset) * pixel + b;
            ASSERT_EQ(out[row * c.width * pixel + b], frame[source]) << row << "," << b;
        }
    for (std::size_t i = device.WindowBytes(); i < out.size(); ++i)
        EXPECT_EQ(out[i], 0xEE);
}

INSTANTIATE_TEST_SUITE_P(Windows, CopyWindowGeometry,
                         testing::Values(WindowCase{1280, 0, 1280, 960, 0, 960, 0},
                                         WindowCase{1280, 0, 1280, 960, 0, 960, 1},
                                         WindowCase{10, 2, 5, 6, 1, 3, 0},
                                         WindowCase{10, 2, 5, 6, 1, 3, 1},
                                         WindowCase{1339, 50, 1280, 1040, 10, 1028, 0},
                                         WindowCase{1339, 50, 1280, 1040, 10, 1028, 1},
                                         WindowCase{7, 6, 1, 5, 4, 1, 1}));

// An image buffer takes the window at its own stride in the one copy; its padding stays as it was.
TEST(CopyWindow, WritesRowsAtTheGivenStrideAndLeavesThePaddingAlone) {
    TestDevice device(kAbsentName);
    ASSERT_EQ(device.SetFrameGeometry(1280, 401, 7, 5, 3, 2, 4), TVK_OK);
    const std::vector<std::uint8_t> frame = NumberedFrame(device.GetSlotSize());
    constexpr std::size_t kStride = 8;
    std::vector<std::uint8_t> out(kStride * 2, 0xEE);
    ASSERT_EQ(device.CopyWindow(out.data(), kStride + 6, frame.data(), frame.size(), kStride),
              TVK_NO_DESTINATION); // the last row does not fit
    ASSERT_EQ(device.CopyWindow(out.data(), kStride + 7, frame.data(), frame.size(), 6),
              TVK_NO_DESTINATION); // a stride shorter than a row
    ASSERT_EQ(device.CopyWindow(out.data(), kStride + 7, frame.data(), frame.size(), kStride),
              TVK_OK);
    for (int row = 0; row < 2; ++row) {
        for (std::size_t b = 0; b < 7; ++b)
            EXPECT_EQ(out[row * kStride + b], frame[(3u + row) * 1280 + 401 + b])
                << row << "," << b;
        EXPECT_EQ(out[row * kStride + 7], 0xEE) << row;
    }
}

TEST(CopyWindow, RefusesADestinationOneByteTooSmallAndWritesNothing) {
    TestDevice device(kAbsentName);
    ASSERT_EQ(device.SetFrameGeometry(64, 0, 64, 32, 0, 32, 4), TVK_OK);
    const std::vector<std::uint8_t> frame = NumberedFrame(device.GetSlotSize());
    std::vector<std::uint8_t> out(device.WindowBytes(), 0xEE);
    EXPECT_EQ(device.CopyWindow(out.data(), out.size() - 1, frame.data(), frame.size()),
              TVK_NO_DESTINATION);
    EXPECT_EQ(device.CopyWindow(nullptr, out.size(), frame.data(), frame.size()),
              TVK_NO_DESTINATION);
    for (std::uint8_t b : out)
        ASSERT_EQ(b, 0xEE);
}

TEST(CopyWindow, RefusesARawFrameThatDoesNotHoldTheWindow) {
    TestDevice device(kAbsentName);
    ASSERT_EQ(device.SetFrameGeometry(10, 2, 5, 6, 1, 3, 4), TVK_OK);
    // The last byte read is at row 3, column 6: 3 × 10 + 2 + 5 = 37 pixels.
    const std::vector<std::uint8_t> frame = NumberedFrame(37);
    std::vector<std::uint8_t> out(device.WindowBytes(), 0xEE);
    EXPECT_EQ(device.CopyWindow(out.data(), out.size(), frame.data(), 36), TVK_NO_MEMORY);
    for (std::uint8_t b : out)
        ASSERT_EQ(b, 0xEE);
    EXPECT_EQ(device.CopyWindow(out.data(), out.size(), frame.data(), 37), TVK_OK);
    EXPECT_EQ(device.CopyWindow(out.data(), out.size(), nullptr, 37), TVK_NO_MEMORY);
}

TEST(ReadFrame, NullDestinationGives14BeforeAnythingElse) {
    TestDevice device(kAbsentName);
    EXPECT_EQ(device.ReadFrame(nullptr, 100), TVK_NO_DESTINATION);
    EXPECT_EQ(device.ReadGrabbedFrame(nullptr, 100), TVK_NO_DESTINATION);
}

TEST(ReadFrame, WithoutBuffersIsRefused) {
    TestDevice device(kAbsentName);
    std::vector<std::uint8_t> out(1280 * 1028);
    EXPECT_EQ(device.ReadFrame(out.data(), out.size()), TVK_NO_MEMORY);
    EXPECT_EQ(device.ReadGrabbedFrame(out.data(), out.size()), TVK_NO_MEMORY);
}

TEST(ReadFrame, AfterAResetToALargerGeometryTheSmallBuffersAreNotOverrun) {
    TestDevice device(kAbsentName);
    ASSERT_EQ(device.SetFrameGeometry(64, 0, 64, 32, 0, 32, 4), TVK_OK);
    ASSERT_EQ(device.ResetDevice(0), TVK_OK); // 1339 × 1040 stored, buffers still 64 × 32
    std::vector<std::uint8_t> out(device.WindowBytes(), 0xEE);
    EXPECT_EQ(device.ReadFrame(out.data(), out.size()), TVK_NO_MEMORY);
    EXPECT_EQ(device.ReadGrabbedFrame(out.data(), out.size()), TVK_NO_MEMORY);
    for (std::size_t i = 0; i < out.size(); i += 97)
        ASSERT_EQ(out[i], 0xEE);
}

TEST(ReadFrame, CopiesZeroedSlotsWhenNothingWasStreamed) {
    TestDevice device(kAbsentName);
    ASSERT_EQ(device.SetFrameGeometry(16, 0, 16, 4, 0, 4, 4), TVK_OK);
    std::vector<std::uint8_t> out(device.WindowBytes(), 0xEE);
    EXPECT_EQ(device.ReadFrame(out.data(), out.size() - 1), TVK_NO_DESTINATION);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(device.ReadFrame(out.data(), out.size()), TVK_OK);
    for (std::uint8_t b : out)
        ASSERT_EQ(b, 0); // slots start zeroed
    EXPECT_EQ(device.ReadGrabbedFrame(out.data(), out.size()), TVK_OK);
}

} // namespace

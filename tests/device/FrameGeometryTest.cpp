// Frame geometry: the argument checks, the transfer length and the buffers they size.
#include "device/TVKSdkLib.h"
#include "DeviceTestSupport.h"

#include <gtest/gtest.h>

namespace {

using device_test::kAbsentName;
using device_test::TestDevice;

TEST(TransferLength, RoundsUpToAMultipleOf1024) {
    EXPECT_EQ(TransferLengthFor(1280, 0, 960), 1228800);   // already a multiple
    EXPECT_EQ(TransferLengthFor(1280, 0, 961), 1230848);   // 1230080 rounded up
    EXPECT_EQ(TransferLengthFor(1339, 10, 1028), 1390592); // the reset geometry: 1389882
    EXPECT_EQ(TransferLengthFor(4, 0, 3), 1024);
    EXPECT_EQ(TransferLengthFor(1024, 0, 1), 1024);
    EXPECT_EQ(TransferLengthFor(1025, 0, 1), 2048);
}

TEST(TransferLength, NegativeOrOversizedGeometryHasNone) {
    EXPECT_EQ(TransferLengthFor(-1, 0, 10), -1);
    EXPECT_EQ(TransferLengthFor(10, -1, 10), -1);
    EXPECT_EQ(TransferLengthFor(1 << 20, 0, 1 << 20), -1);
}

struct GeometryCase {
    int totalWidth, xOffset, width, totalHeight, yOffset, height, ringCount;
    int expected;
};

class GeometryChecks : public testing::TestWithParam<GeometryCase> {};

TEST_P(GeometryChecks, RefuseInOrderWidthHeightRing) {
    const GeometryCase& c = GetParam();
    TestDevice device(kAbsentName);
    EXPECT_EQ(device.SetFrameGeometry(c.totalWidth, c.xOffset, c.width, c.totalHeight, c.yOffset,
                                      c.height, c.ringCount),
              c.expected);
    if (c.expected != TVK_OK) {
        EXPECT_EQ(device.GetSlotSize(), 0u); // refused before anything was allocated
        EXPECT_EQ(device.GetRingCount(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, GeometryChecks,
    testing::Values(GeometryCase{1280, 0, 1280, 960, 0, 960, 4, TVK_OK},
                    GeometryCase{1280, 0, 1280, 960, 0, 960, 2, TVK_OK},
                    GeometryCase{0, 0, 1280, 960, 0, 960, 4, TVK_BAD_WIDTH},
                    GeometryCase{1280, 0, 0, 960, 0, 960, 4, TVK_BAD_WIDTH},
                    GeometryCase{1279, 0, 1280, 960, 0, 960, 4, TVK_BAD_WIDTH},
                    // a window reaching past the row would make copies leave the frame
                    GeometryCase{1280, 1, 1280, 960, 0, 960, 4, TVK_BAD_WIDTH},
                    GeometryCase{1280, -1, 100, 960, 0, 960, 4, TVK_BAD_WIDTH},
                    GeometryCase{1280, 0, 1280, 0, 0, 960, 4, TVK_BAD_HEIGHT},
                    GeometryCase{1280, 0, 1280, 960, 0, 0, 4, TVK_BAD_HEIGHT},
                    GeometryCase{1280, 0, 1280, 960, 1, 960, 4, TVK_BAD_HEIGHT},
                    GeometryCase{1280, 0, 1280, 960, -1, 10, 4, TVK_BAD_HEIGHT},
                    GeometryCase{1280, 0, 1280, 960, 0, 960, 1, TVK_RING_TOO_SMALL},
                    // width before height before ring count
                    GeometryCase{0, 0, 0, 0, 0, 0, 1, TVK_BAD_WIDTH},
                    GeometryCase{1280, 0, 1280, 0, 0, 0, 1, TVK_BAD_HEIGHT}));

TEST(FrameGeometry, SizesTheSlotsForWordModeWhateverTheCurrentMode) {
    TestDevice device(kAbsentName);
    ASSERT_EQ(device.SetFrameGeometry(1280, 0, 1280, 961, 0, 961, 4), TVK_OK);
    EXPECT_EQ(device.GetTransferLength(), 1230848);
    EXPECT_EQ(device.GetSlotSize(), 2u * 1230848u);
    EXPECT_EQ(device.GetRingCount(), 4);
    ASSERT_NE(device.GetRawFrame(), nullptr);
    for (std::size_t i = 0; i < device.GetSlotSize(); i += 4099)
        EXPECT_EQ(device.GetRawFrame()[i], 0);
    EXPECT_EQ(device.WindowBytes(), 1280u * 961u);
    device.StoreWordMode(1);
    EXPECT_EQ(device.WindowBytes(), 2u * 1280u * 961u);
}

TEST(FrameGeometry, ARefusedCallKeepsTheBuffersOfTheLastGoodOne) {
    TestDevice device(kAbsentName);
    ASSERT_EQ(device.SetFrameGeometry(640, 0, 640, 480, 0, 480, 4), TVK_OK);
    EXPECT_EQ(device.SetFrameGeometry(640, 0, 640, 480, 0, 480, 1), TVK_RING_TOO_SMALL);
    EXPECT_EQ(device.GetTransferLength(), 307200);
    EXPECT_EQ(device.GetSlotSize(), 614400u);
    EXPECT_EQ(device.GetRingCount(), 4);
}

TEST(FrameGeometry, AFrameTooLargeToBufferGives7AndKeepsNoBuffers) {
    TestDevice device(kAbsentName);
    ASSERT_EQ(device.SetFrameGeometry(640, 0, 640, 480, 0, 480, 4), TVK_OK);
    // Two bytes per pixel of 46341 squared pixels do not fit a 32-bit transfer.
    EXPECT_EQ(device.SetFrameGeometry(46341, 0, 46341, 46341, 0, 46341, 4), TVK_NO_MEMORY);
    EXPECT_EQ(device.GetSlotSize(), 0u);
    EXPECT_EQ(device.GetRawFrame(), nullptr);
    EXPECT_EQ(device.StartTransfer(), TVK_NO_MEMORY);
    EXPECT_EQ(device.GrabFrame(), TVK_NO_MEMORY);
}

TEST(FrameGeometry, ResetRestoresTheDefaultGeometryAndTimeout) {
    TestDevice device(kAbsentName);
    ASSERT_EQ(device.SetFrameGeometry(640, 0, 640, 480, 0, 480, 4), TVK_OK);
    device.SetTransferTimeout(1234);
    EXPECT_EQ(device.ResetDevice(3), TVK_OK);
    EXPECT_EQ(device.GetTotalWidth(), 1339);
    EXPECT_EQ(device.GetXOffset(), 50);
    EXPECT_EQ(device.GetFrameWidth(), 1280);
    EXPECT_EQ(device.GetTotalHeight(), 1040);
    EXPECT_EQ(device.GetYOffset(), 10);
    EXPECT_EQ(device.GetFrameHeight(), 1028);
    EXPECT_EQ(device.GetTransferTimeout(), 3000);
    EXPECT_EQ(device.GetDeviceNumber(), 3);
    EXPECT_EQ(device.GetWordMode(), 0);
}

} // namespace

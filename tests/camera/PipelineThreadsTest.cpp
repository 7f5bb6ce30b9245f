// The pipeline's strip threads through the DLL: preview frames, which the worker splits across
// threads (mirrors included), equal snapshots of the same frame, which run on the caller's thread
// alone; and the threads end with the acquisition in every way it can end.
#include "AcquisitionFixture.h"
#include "resources/ResourceCount.h"

#include <cstring>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;

class PipelineThreadsTest : public AcquisitionTest {
  protected:
    void SetEveryFilter() {
        ASSERT_EQ(Travik_SetBrightness(handle, 20), 1);
        ASSERT_EQ(Travik_SetContrast(handle, 20), 1);
        ASSERT_EQ(Travik_SetHue(handle, 30), 1);
        ASSERT_EQ(Travik_SetSaturation(handle, 40), 1);
        ASSERT_EQ(Travik_SetSharpness(handle, 5), 1);
        ASSERT_EQ(Travik_SetGamma(handle, 80), 1);
        ASSERT_EQ(Travik_SetFilterValue(handle, FILTER_GRAY_MODE, 1), 1);
        ASSERT_EQ(Travik_SetFilterValue(handle, FILTER_GRAY_GAIN_R, 150), 1);
        ASSERT_EQ(Travik_SetFilterValue(handle, FILTER_GRAY_GAIN_G2, 90), 1);
        ASSERT_EQ(Travik_SetMirrorH(handle, 1), 1);
        ASSERT_EQ(Travik_SetMirrorV(handle, 1), 1);
    }
};

class PreviewAgainstSnapshot : public PipelineThreadsTest,
                               public ::testing::WithParamInterface<int> {};

TEST_P(PreviewAgainstSnapshot, GiveTheSamePixelsWithEveryFilterOn) {
    const int bits = GetParam();
    ASSERT_EQ(Travik_SetColorMode(handle, bits), 1);
    SetEveryFilter();
    ASSERT_TRUE(travik_emu::SetPatternNoise(0, 7)); // the same frame every time
    const size_t bytes = static_cast<size_t>(StrideOf(kWidth, bits)) * kHeight;
    std::vector<unsigned char> previewed(bytes, 0);
    ASSERT_GE(CountFrames(RunCallbackPreview(previewed, 1, 3)), 3u);
    std::vector<unsigned char> snapped(bytes, 1);
    ASSERT_EQ(Travik_SnapShot(handle, snapped.data(), static_cast<int>(bytes), 1), 1);
    size_t first = 0;
    while (first < bytes && previewed[first] == snapped[first])
        ++first;
    EXPECT_EQ(first, bytes) << "first difference at row " << first / StrideOf(kWidth, bits)
                            << ", byte " << first % StrideOf(kWidth, bits);
    EXPECT_TRUE(DrainErrors().empty());
}

INSTANTIATE_TEST_SUITE_P(ColourModes, PreviewAgainstSnapshot,
                         ::testing::Values(8, 16, 24, 32, 48, 64),
                         [](const auto& info) { return "Bits" + std::to_string(info.param); });

TEST_F(PipelineThreadsTest, EndWithTheAcquisitionHoweverItEnds) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    SetEveryFilter();
    std::vector<unsigned char> buffer(static_cast<size_t>(StrideOf(kWidth, 24)) * kHeight);
    auto start = [&] {
        return Travik_CallBackPreview(handle, window.hwnd(), buffer.data(),
                                      static_cast<int>(buffer.size()), 1);
    };
    const DWORD baseline = travik_test::CountResources().threads;
    ASSERT_EQ(start(), 1);
    ASSERT_GE(CountFrames(WaitNotices(3, 5000)), 3u);
    ASSERT_EQ(Travik_StopPreview(handle), 1);
    EXPECT_EQ(travik_test::CountResources().threads, baseline) << "after a stop";

    ASSERT_EQ(
        Travik_Trigger(handle, window.hwnd(), buffer.data(), static_cast<int>(buffer.size()), 1),
        1);
    ASSERT_EQ(Travik_StopPreview(handle), 1);
    EXPECT_EQ(travik_test::CountResources().threads, baseline) << "after trigger mode";

    ASSERT_EQ(start(), 1);
    ASSERT_GE(CountFrames(WaitNotices(3, 5000)), 3u);
    ASSERT_EQ(Travik_Close(handle), 1);
    EXPECT_EQ(travik_test::CountResources().threads, baseline) << "after a close";

    ASSERT_EQ(start(), 1);
    ASSERT_GE(CountFrames(WaitNotices(3, 5000)), 3u);
    ASSERT_EQ(Travik_Release(handle), 1);
    handle = 0;
    EXPECT_EQ(travik_test::CountResources().threads, baseline) << "after a release";
}

} // namespace

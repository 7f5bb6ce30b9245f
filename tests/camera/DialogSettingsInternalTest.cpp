// Values only the settings dialogs set (auto gray gain "all frames", the white balance one-shot
// markers), driven on the camera object of the internal library with the virtual camera.
#include "EmuControl.h"
#include "camera/SettingsBlocks.h"
#include "camera/Travik.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using namespace settings;

class DialogSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(travik_emu::ResetDevice(0));
        ASSERT_TRUE(travik_emu::SetPacingOff(0));
        travik_test::DeleteSdkRegistry();
        camera = std::make_unique<CTravik>();
        ASSERT_EQ(camera->Initialize(nullptr), 1);
        ASSERT_EQ(camera->GetLastError(), 0);
    }
    void TearDown() override {
        camera.reset();
        travik_test::DeleteSdkRegistry();
        travik_emu::ResetDevice(0);
    }
    void Snap() {
        std::vector<unsigned char> image(static_cast<size_t>(1280) * 3 * 960);
        ASSERT_EQ(camera->SnapShot(image.data(), static_cast<int>(image.size()), 1), 1);
    }
    std::unique_ptr<CTravik> camera;
};

TEST_F(DialogSettingsTest, AutoGrayGainAllFramesMeasuresEveryFrame) {
    ASSERT_EQ(camera->SetColorMode(8), 1);
    ASSERT_TRUE(travik_emu::SetPatternBayer(0, 400, 800, 800, 200));
    camera->m_imageFilter[kGrayMode] = 1;
    camera->m_imageFilter[kAutoGrayGain] = -1;
    ASSERT_EQ(camera->Capture(), 1);
    for (int frame = 0; frame < 3; ++frame) {
        camera->m_imageFilter[kGrayGainG1] = 10; // undone by each measurement
        Snap();
        EXPECT_EQ(camera->m_imageFilter[kGrayGainG1], 128);
    }
    EXPECT_LT(camera->m_imageFilter[kAutoGrayGain], -1) << "counts down, never reaching 0";
}

TEST_F(DialogSettingsTest, WhiteBalanceOneShotMeasuresOneFrameThenTurnsOff) {
    ASSERT_EQ(camera->SetColorMode(24), 1);
    ASSERT_TRUE(travik_emu::SetPatternBayer(0, 200, 400, 400, 800));
    camera->m_imageFilter[kAutoWhiteBalance] = 1;
    camera->m_imageFilter[kWhiteBalanceOnceA] = 1;
    camera->m_imageFilter[kWhiteBalanceOnceB] = 1;
    Snap();
    EXPECT_EQ(camera->m_imageFilter[kBayerGainRed], 200);
    EXPECT_EQ(camera->m_imageFilter[kBayerGainBlue], 50);
    EXPECT_EQ(camera->m_imageFilter[kAutoWhiteBalance], 0);
    EXPECT_EQ(camera->m_imageFilter[kWhiteBalanceOnceA], 0);
    EXPECT_EQ(camera->m_imageFilter[kWhiteBalanceOnceB], 0);
    camera->m_imageFilter[kBayerGainRed] = 100;
    Snap();
    EXPECT_EQ(camera->m_imageFilter[kBayerGainRed], 100) << "no second measurement";
}

TEST(AutoControlFactor, ExamplesOfTheFiveWindows) {
    const int bright[5] = {255, 255, 255, 255, 255};
    const int dark[5] = {30, 30, 30, 30, 30};
    const int middle[5] = {120, 120, 120, 120, 120};
    const int mixed[5] = {170, 170, 170, 170, 170};
    EXPECT_DOUBLE_EQ(CTravik::AutoControlFactor(bright), 0.25);
    EXPECT_DOUBLE_EQ(CTravik::AutoControlFactor(dark), 1.5);
    EXPECT_DOUBLE_EQ(CTravik::AutoControlFactor(middle), 1.0);
    EXPECT_DOUBLE_EQ(CTravik::AutoControlFactor(mixed), 0.5);
}

} // namespace

// The viewer sample driven as a user drives it, by its menu commands posted as WM_COMMAND: it
// starts, previews the virtual camera, shows errors and dialogs, and exits cleanly.
#include "EmuControl.h"
#include "ViewerDriver.h"
#include "support/TestSupport.h"
#include "viewer_ids.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

using viewer_test::ViewerProcess;

class ViewerSampleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        travik_test::DeleteSdkRegistry();
        ASSERT_TRUE(travik_emu::ResetDevice(0));
        ASSERT_TRUE(travik_emu::ResetDevice(1));
    }
    void TearDown() override {
        travik_test::DeleteSdkRegistry();
        travik_emu::Plug(0);
        travik_emu::ResetDevice(0);
        travik_emu::ResetDevice(1);
    }
    // Starts the preview and waits until frames are counted in the status bar.
    void StartPreview(const ViewerProcess& viewer) {
        viewer.Command(ID_PREVIEW_START);
        ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "previewing"))
            << viewer.StatusPart(STATUS_PART_STATE) << " / "
            << viewer.StatusPart(STATUS_PART_ERROR);
        ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_RATE, "frames/s"));
    }
    // Stops, checks that no error was shown, exits by the menu and expects status 0.
    void StopAndExit(const ViewerProcess& viewer) {
        viewer.Command(ID_PREVIEW_STOP);
        EXPECT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "stopped"));
        EXPECT_EQ(viewer.StatusPart(STATUS_PART_ERROR), "No error");
        viewer.Command(ID_FILE_EXIT);
        EXPECT_EQ(viewer.WaitForExit(30000), 0u);
    }
};

struct ColourCase {
    int mode; // index of the colour menu
    const char* shown;
};

class ViewerSamplePreview : public ViewerSampleTest,
                            public ::testing::WithParamInterface<ColourCase> {};

TEST_P(ViewerSamplePreview, PreviewsTheCameraInItsWindowAndExitsCleanly) {
    ViewerProcess viewer;
    ASSERT_NE(viewer.StatusBar(), nullptr) << "the viewer did not open its window";
    ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "ready"));
    viewer.Command(ID_COLOR_FIRST + GetParam().mode);
    ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, GetParam().shown))
        << viewer.StatusPart(STATUS_PART_STATE);
    ASSERT_NO_FATAL_FAILURE(StartPreview(viewer));
    // The rate is measured over frames: give it a moment to become non-zero.
    for (int i = 0; i < 100 && viewer.ShownRate() == 0; ++i)
        Sleep(50);
    EXPECT_GT(viewer.ShownRate(), 0) << viewer.StatusPart(STATUS_PART_RATE);
    Sleep(500);

    const viewer_test::Screenshot shot = viewer_test::TakeScreenshot(viewer.Window());
    viewer_test::SaveArtefact(shot, std::string("viewer_") + GetParam().shown + ".bmp");
    ASSERT_GE(shot.width, 640);
    ASSERT_GE(shot.height, 480);
    ASSERT_FALSE(shot.pixels.empty()) << "the screen could not be copied";
    // The preview fills the top 640 x 480 of the client area (the last rows of the bottom-up
    // screenshot): the camera's scene there is not one flat colour.
    const unsigned char* top = &shot.pixels[static_cast<size_t>(shot.height - 1) * shot.stride];
    bool varies = false;
    for (int row = shot.height - 480; row < shot.height && !varies; row += 7)
        for (int x = 0; x < 640 * 3 && !varies; x += 11)
            varies = shot.pixels[static_cast<size_t>(row) * shot.stride + x] != top[x % 3];
    EXPECT_TRUE(varies) << "the preview area is blank";

    StopAndExit(viewer);
}

INSTANTIATE_TEST_SUITE_P(ColourModes, ViewerSamplePreview,
                         ::testing::Values(ColourCase{0, "8-bit mono"},
                                           ColourCase{2, "24-bit colour"},
                                           ColourCase{5, "64-bit colour"}),
                         [](const auto& info) { return std::to_string(info.param.mode); });

TEST_F(ViewerSampleTest, ASecondCameraPreviewsToo) {
    ViewerProcess viewer;
    ASSERT_NE(viewer.StatusBar(), nullptr) << "the viewer did not open its window";
    viewer.Command(ID_DEVICE_FIRST + 1);
    ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "Device 2"));
    ASSERT_NO_FATAL_FAILURE(StartPreview(viewer));
    StopAndExit(viewer);
}

TEST_F(ViewerSampleTest, StartsOnTheFirstPresentCameraWithoutAnError) {
    ASSERT_TRUE(travik_emu::Unplug(0));
    ViewerProcess viewer;
    ASSERT_NE(viewer.StatusBar(), nullptr) << "the viewer did not open its window";
    ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "Device 2"))
        << viewer.StatusPart(STATUS_PART_STATE);
    EXPECT_EQ(viewer.StatusPart(STATUS_PART_ERROR), "No error");
    ASSERT_NO_FATAL_FAILURE(StartPreview(viewer));
    StopAndExit(viewer);
}

TEST_F(ViewerSampleTest, AnAbsentCameraShowsItsErrorInTheStatusBar) {
    ViewerProcess viewer;
    ASSERT_NE(viewer.StatusBar(), nullptr) << "the viewer did not open its window";
    ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_ERROR, "No error"));
    viewer.Command(ID_DEVICE_FIRST + 31);
    EXPECT_TRUE(viewer.WaitForStatus(STATUS_PART_ERROR, "Error 2:"))
        << viewer.StatusPart(STATUS_PART_ERROR);
    EXPECT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "Device 1"));
    viewer.Command(ID_FILE_EXIT);
    EXPECT_EQ(viewer.WaitForExit(30000), 0u);
}

class ViewerSampleDialog : public ViewerSampleTest, public ::testing::WithParamInterface<int> {};

TEST_P(ViewerSampleDialog, EachSettingsDialogOpensOverThePreviewAndCloses) {
    ViewerProcess viewer;
    ASSERT_NE(viewer.StatusBar(), nullptr) << "the viewer did not open its window";
    ASSERT_NO_FATAL_FAILURE(StartPreview(viewer));
    viewer.Command(GetParam());
    ASSERT_TRUE(viewer.WaitForEnabled(false)) << "no modal dialog appeared";
    ASSERT_TRUE(viewer.CancelDialogs());
    EXPECT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "previewing"));
    StopAndExit(viewer);
}

INSTANTIATE_TEST_SUITE_P(Settings, ViewerSampleDialog,
                         ::testing::Values(ID_SETTINGS_CAMERA, ID_SETTINGS_IMAGE,
                                           ID_SETTINGS_ANALOG));

struct SaveCase {
    int filterIndex; // in the Save As dialog: 1 BMP, 2 raw, 3-5 JPEG, 6 PNG, 7 TIFF
    const char* name;
    std::vector<unsigned char> magic;
    bool previewing;
};

class ViewerSampleSave : public ViewerSampleTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(ViewerSampleSave, SavesASnapshotInTheFormChosenInTheDialog) {
    const std::string path = travik_test::TempFilePath(GetParam().name);
    DeleteFileA(path.c_str());
    ViewerProcess viewer;
    ASSERT_NE(viewer.StatusBar(), nullptr) << "the viewer did not open its window";
    if (GetParam().previewing) ASSERT_NO_FATAL_FAILURE(StartPreview(viewer));
    viewer.Command(ID_FILE_SAVE);
    ASSERT_TRUE(viewer.AnswerSaveDialog(path, GetParam().filterIndex));
    EXPECT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "snapshot saved"))
        << viewer.StatusPart(STATUS_PART_STATE);
    EXPECT_EQ(travik_test::ReadFileHead(path, GetParam().magic.size()), GetParam().magic);
    StopAndExit(viewer);
    DeleteFileA(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ViewerSampleSave,
    ::testing::Values(SaveCase{1, "viewer_sample.bmp", {'B', 'M'}, false},
                      SaveCase{6, "viewer_sample.png", {0x89, 'P', 'N', 'G'}, true},
                      SaveCase{4, "viewer_sample.jpg", {0xFF, 0xD8, 0xFF}, true},
                      SaveCase{7, "viewer_sample.tif", {'I', 'I', 42, 0}, false}),
    [](const auto& info) { return std::string(info.param.name).substr(14); });

TEST_F(ViewerSampleTest, RecordsAFinishedAviOfTheCamera) {
    const std::string path = travik_test::TempFilePath("viewer_sample.avi");
    DeleteFileA(path.c_str());
    ViewerProcess viewer;
    ASSERT_NE(viewer.StatusBar(), nullptr) << "the viewer did not open its window";
    viewer.Command(ID_FILE_RECORD);
    ASSERT_TRUE(viewer.AnswerSaveDialog(path, 1));
    ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "recording"))
        << viewer.StatusPart(STATUS_PART_STATE) << " / " << viewer.StatusPart(STATUS_PART_ERROR);
    // The recorder writes the sizes into the header last, when the five seconds have run out.
    std::vector<unsigned char> header;
    for (int i = 0; i < 300 && (header.size() < 232 || travik_test::LittleEndian32(header, 4) == 0);
         ++i) {
        Sleep(100);
        header = travik_test::ReadFileHead(path, 232);
    }
    ASSERT_EQ(header.size(), 232u);
    EXPECT_EQ(std::string(header.begin(), header.begin() + 4), "RIFF");
    EXPECT_NE(travik_test::LittleEndian32(header, 4), 0u);
    EXPECT_GT(travik_test::LittleEndian32(header, 48), 0u);    // frames
    EXPECT_EQ(travik_test::LittleEndian32(header, 64), 1280u); // width
    EXPECT_EQ(travik_test::LittleEndian32(header, 68), 960u);  // height
    StopAndExit(viewer);
    DeleteFileA(path.c_str());
}

} // namespace

// The header-only C++ interface against the virtual camera: ownership and moves, each member,
// the frame callback (one that throws too), frames grabbed and held, and the order in which a
// camera is taken down.
#include "TravikSdk.hpp"

#include "EmuControl.h"
#include "LastingEvent.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kPatience = 20000; // generous: the machine may be loaded

HWND StreamWindow() {
    return FindWindowExA(HWND_MESSAGE, nullptr, "TravikSdkHppFrameStream", nullptr);
}

class CameraWrapperTest : public ::testing::Test {
  protected:
    void SetUp() override {
        travik_test::DeleteSdkRegistry();
        ASSERT_TRUE(travik_emu::ResetDevice(0));
    }
    void TearDown() override {
        travik_emu::ResetDevice(0);
        travik_test::DeleteSdkRegistry();
        for (const std::string& path : m_files)
            DeleteFileA(path.c_str());
    }
    travik::Camera Open() {
        auto camera = travik::Camera::open(0);
        EXPECT_TRUE(camera) << camera.error().text();
        return camera ? std::move(camera).value() : travik::Camera();
    }
    std::string Output(const char* name) {
        m_files.push_back(travik_test::TempFilePath(name));
        DeleteFileA(m_files.back().c_str());
        return m_files.back();
    }
    std::vector<std::string> m_files;
};

TEST_F(CameraWrapperTest, OpenedCameraIsReleasedByItsDestructor) {
    int handle = 0;
    {
        travik::Camera camera = Open();
        handle = camera.handle();
        ASSERT_NE(handle, 0);
        EXPECT_EQ(Travik_Width(handle), 1280);
    }
    EXPECT_EQ(Travik_Width(handle), 0) << "the handle outlived its camera";
    EXPECT_EQ(Travik_Release(handle), 0);
}

TEST_F(CameraWrapperTest, OpeningAnAbsentDeviceGivesTheSdkError) {
    auto camera = travik::Camera::open(31);
    ASSERT_FALSE(camera);
    EXPECT_EQ(camera.error().code(), ERR_DEVICE);
    EXPECT_STREQ(camera.error().text(), travik::errorText(ERR_DEVICE));
}

TEST_F(CameraWrapperTest, MovedFromCameraIsEmptyAndEveryCallSaysSo) {
    travik::Camera first = Open();
    const int handle = first.handle();
    travik::Camera second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(first.handle(), 0);
    EXPECT_EQ(second.handle(), handle);

    EXPECT_EQ(first.setColorMode(travik::ColorMode::Bgr24).code(), travik::kNoCamera);
    EXPECT_EQ(first.snap().error().code(), travik::kNoCamera);
    EXPECT_EQ(first.devices().error().code(), travik::kNoCamera);
    EXPECT_EQ(first.onFrame([](const travik::FrameView&) {}).code(), travik::kNoCamera);
    EXPECT_EQ(first.save(std::string("x.bmp"), travik::FileType::Bmp).code(), travik::kNoCamera);
    EXPECT_EQ(first.width(), 0);
    first.close(); // nothing to release, and no harm

    EXPECT_TRUE(second.setColorMode(travik::ColorMode::Mono8).ok());
    EXPECT_EQ(Travik_Width(handle), 1280) << "the move released the camera";
}

TEST_F(CameraWrapperTest, MoveAssignmentReleasesTheCameraItReplaces) {
    travik::Camera target = Open();
    travik::Camera source = Open();
    const int replaced = target.handle();
    const int kept = source.handle();
    target = std::move(source);
    EXPECT_EQ(target.handle(), kept);
    EXPECT_EQ(Travik_Width(replaced), 0) << "the replaced camera was not released";
    EXPECT_EQ(Travik_Width(kept), 1280);
}

TEST_F(CameraWrapperTest, DevicesListsThePresentCameras) {
    TravikEmuDriverInfo info = {};
    ASSERT_TRUE(travik_emu::QueryDriver(info));
    travik::Camera camera = Open();
    auto devices = camera.devices();
    ASSERT_TRUE(devices);
    ASSERT_EQ(devices->size(), info.deviceCount);
    EXPECT_EQ((*devices)[0].number, 0);
    EXPECT_EQ((*devices)[0].name, "Travik380TZ4-RDX_01");
    for (size_t i = 0; i < devices->size(); ++i)
        EXPECT_EQ((*devices)[i].number, static_cast<int>(i));
}

TEST_F(CameraWrapperTest, ColourModesRoundTripAndOthersAreRefused) {
    travik::Camera camera = Open();
    for (auto mode :
         {travik::ColorMode::Mono8, travik::ColorMode::Mono10, travik::ColorMode::Bgr24,
          travik::ColorMode::Bgrx32, travik::ColorMode::Bgr48, travik::ColorMode::Bgrx64}) {
        SCOPED_TRACE(static_cast<int>(mode));
        ASSERT_TRUE(camera.setColorMode(mode).ok());
        auto read = camera.colorMode();
        ASSERT_TRUE(read);
        EXPECT_EQ(*read, mode);
    }
    EXPECT_EQ(camera.setColorMode(static_cast<travik::ColorMode>(12)).code(), ERR_PARAMETER);
}

TEST_F(CameraWrapperTest, FiltersAreSetAndReadWithTheirErrors) {
    travik::Camera camera = Open();
    ASSERT_TRUE(camera.setFilter(FILTER_GAMMA, 150).ok());
    auto gamma = camera.filter(FILTER_GAMMA);
    ASSERT_TRUE(gamma);
    EXPECT_EQ(*gamma, 150);
    EXPECT_EQ(camera.setFilter(FILTER_GAMMA, 201).code(), ERR_PARAMETER);
    EXPECT_EQ(camera.filter(static_cast<TravikFilter>(99)).error().code(), ERR_PARAMETER);
    EXPECT_EQ(camera.takeLastError().code(), 0) << "the wrapper left a code on the stack";
}

TEST_F(CameraWrapperTest, SnapReturnsTheImageTheSdkHolds) {
    travik::Camera camera = Open();
    for (auto mode :
         {travik::ColorMode::Mono8, travik::ColorMode::Bgr24, travik::ColorMode::Bgr48}) {
        SCOPED_TRACE(static_cast<int>(mode));
        ASSERT_TRUE(camera.setColorMode(mode).ok());
        auto image = camera.snap();
        ASSERT_TRUE(image) << image.error().text();
        EXPECT_EQ(image->width, 1280);
        EXPECT_EQ(image->height, 960);
        EXPECT_EQ(image->bits, static_cast<int>(mode));
        EXPECT_EQ(image->stride, 1280 * static_cast<int>(mode) / 8);
        ASSERT_EQ(image->pixels.size(), static_cast<size_t>(image->stride) * 960);

        std::vector<unsigned char> held(image->pixels.size());
        ASSERT_EQ(Travik_GetImage(camera.handle(), held.data(), static_cast<int>(held.size()), 1),
                  1);
        EXPECT_TRUE(held == image->pixels) << "the owned image differs from the SDK's";
    }
}

TEST_F(CameraWrapperTest, SaveWritesTheSnappedPicture) {
    travik::Camera camera = Open();
    ASSERT_TRUE(camera.setColorMode(travik::ColorMode::Bgr24).ok());
    ASSERT_TRUE(camera.snap());
    const std::string path = Output("wrapper_save.bmp");
    ASSERT_TRUE(camera.save(path, travik::FileType::Bmp).ok());
    const std::vector<unsigned char> head = travik_test::ReadFileHead(path, 6);
    ASSERT_EQ(head.size(), 6u);
    EXPECT_EQ(travik_test::LittleEndian32(head, 2), 54u + 1280 * 960 * 3);
    EXPECT_FALSE(camera.save(std::string(), travik::FileType::Bmp).ok());
}

TEST_F(CameraWrapperTest, ProfilesAreSavedAndARefusedLineIsToldWithItsNumber) {
    travik::Camera camera = Open();
    ASSERT_TRUE(camera.setFilter(FILTER_GAMMA, 140).ok());
    const std::string path = Output("wrapper_profile.txt");
    ASSERT_FALSE(camera.saveProfile(path));
    ASSERT_TRUE(camera.setFilter(FILTER_GAMMA, 60).ok());
    ASSERT_FALSE(camera.loadProfile(std::wstring(path.begin(), path.end())));
    EXPECT_EQ(*camera.filter(FILTER_GAMMA), 140);

    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("gamma = 90\ngama = 120\n", file);
    std::fclose(file);
    const travik::ProfileError refused = camera.loadProfile(path);
    EXPECT_TRUE(refused);
    EXPECT_EQ(refused.error.code(), ERR_PARAMETER);
    EXPECT_EQ(refused.line, 2);
    EXPECT_EQ(refused.reason, TRAVIK_PROFILE_UNKNOWN_NAME);
    EXPECT_EQ(refused.text, "unknown setting \"gama\"");
    EXPECT_EQ(*camera.filter(FILTER_GAMMA), 140);
    EXPECT_EQ(travik::Camera().saveProfile(path).error.code(), travik::kNoCamera);
}

TEST_F(CameraWrapperTest, RecordWritesAnAviThatStopFinishes) {
    travik::Camera camera = Open();
    const std::string path = Output("wrapper_record.avi");
    ASSERT_TRUE(camera.record(path, 60000).ok());
    // Waits for the first frame in the file, not for a time.
    const bool written = travik::pumpMessages(kPatience, [&] {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
               data.nFileSizeLow > 1280u * 960 * 3;
    });
    ASSERT_TRUE(written);
    ASSERT_TRUE(camera.stopPreview().ok());
    const std::vector<unsigned char> head = travik_test::ReadFileHead(path, 12);
    ASSERT_EQ(head.size(), 12u);
    EXPECT_EQ(std::string(head.begin(), head.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(head.begin() + 8, head.end()), "AVI ");
    EXPECT_EQ(camera.record(std::string(), 1000).code(), ERR_PARAMETER);
}

TEST_F(CameraWrapperTest, FrameCallbackSeesEveryFrameAsAView) {
    travik::Camera camera = Open();
    ASSERT_TRUE(camera.setColorMode(travik::ColorMode::Bgr24).ok());
    std::vector<travik::FrameView> views;
    long long nonZero = 0;
    ASSERT_TRUE(camera
                    .onFrame([&](const travik::FrameView& view) {
                        views.push_back(view);
                        for (int x = 0; x < view.stride; ++x)
                            nonZero += view.pixels[x] != 0;
                    })
                    .ok());
    ASSERT_TRUE(travik::pumpMessages(kPatience, [&] { return views.size() >= 3; }));
    ASSERT_TRUE(camera.stopPreview().ok());
    EXPECT_EQ(camera.framesDelivered(), static_cast<long long>(views.size()));
    for (size_t i = 0; i < views.size(); ++i) {
        const travik::FrameView& view = views[i];
        EXPECT_EQ(view.width, 1280);
        EXPECT_EQ(view.height, 960);
        EXPECT_EQ(view.bits, 24);
        EXPECT_EQ(view.stride, 3840);
        EXPECT_NE(view.pixels, nullptr);
        EXPECT_GT(view.hostTicks, 0);
        if (i > 0) EXPECT_EQ(view.id, views[i - 1].id + view.skippedBefore + 1);
    }
    EXPECT_GT(nonZero, 0) << "the frames reached the callback empty";
    EXPECT_EQ(camera.callbackFailures(), 0);
}

TEST_F(CameraWrapperTest, ThrowingCallbackIsCaughtCountedAndThePreviewGoesOn) {
    travik::Camera camera = Open();
    ASSERT_TRUE(
        camera.onFrame([](const travik::FrameView&) { throw std::runtime_error("bad frame"); })
            .ok());
    ASSERT_TRUE(travik::pumpMessages(kPatience, [&] { return camera.framesDelivered() >= 3; }))
        << "the preview stopped after a throwing callback";
    ASSERT_TRUE(camera.stopPreview().ok());
    EXPECT_EQ(camera.callbackFailures(), camera.framesDelivered());
    EXPECT_EQ(camera.lastCallbackFailure(), "bad frame");
    EXPECT_TRUE(camera.streamError().ok());
}

TEST_F(CameraWrapperTest, StreamingCameraIsTakenDownInOrderAndLeavesNothing) {
    // What a first streaming camera of the process sets up once (the stream window's class) is
    // not a leak.
    {
        travik::Camera first = Open();
        ASSERT_TRUE(first.onFrame([](const travik::FrameView&) {}).ok());
    }
    const travik_test::ResourceCounts before = travik_test::CountResources();
    long long calls = 0;
    {
        travik::Camera camera = Open();
        ASSERT_TRUE(camera.onFrame([&](const travik::FrameView&) { ++calls; }).ok());
        EXPECT_NE(StreamWindow(), nullptr);
        ASSERT_TRUE(travik::pumpMessages(kPatience, [&] { return calls >= 2; }));
        // Destroyed while streaming, with notices maybe still queued.
    }
    EXPECT_EQ(StreamWindow(), nullptr) << "the hidden window outlived its camera";
    const long long callsAtDestruction = calls;
    travik::pumpMessages(200, [] { return false; }); // queued notices must find no window
    EXPECT_EQ(calls, callsAtDestruction) << "a callback ran after its camera was gone";
    const travik_test::ResourceCounts after = travik_test::CountResources();
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.windowClasses, before.windowClasses);
    // The DLL's thread library may make its one lasting lock event while the strip threads
    // stream; any other new handle is a leak.
    if (!travikcam::LastingEventAllowance().Accept(before, after))
        EXPECT_EQ(after.handles, before.handles) << travik_resources::DescribeGrowth(before, after);
}

// Frames taken on a thread of their own with no message loop, held past the stream and the
// camera that made them.
TEST_F(CameraWrapperTest, FramesOfTheStreamAreTakenInARangeForLoopAndOutliveTheirCamera) {
    travik::Camera camera = Open();
    auto stream = camera.stream({travik::StreamMode::Queue, 6, travik::QueueFull::RefuseNewest});
    ASSERT_TRUE(stream) << stream.error().text();
    std::vector<travik::Frame> kept;
    std::thread taker([&] {
        for (travik::Frame& frame : *stream)
            if (kept.size() < 3) kept.push_back(std::move(frame));
    });
    const DWORD start = GetTickCount();
    while (stream->stats()->handedOut < 6) {
        ASSERT_LT(GetTickCount() - start, kPatience);
        Sleep(10);
    }
    ASSERT_TRUE(camera.stopPreview().ok()); // the loop ends with the stream
    taker.join();
    EXPECT_EQ(stream->ended().code(), ERR_UNAVAILABLE);
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(stream->stats()->held, 3u) << "frames not kept were given back";
    for (size_t i = 1; i < kept.size(); ++i)
        EXPECT_EQ(kept[i].id(), kept[i - 1].id() + kept[i].skippedBefore() + 1);
    EXPECT_EQ(kept[0].pixels().size, static_cast<size_t>(kept[0].stride()) * kept[0].height());
    const std::vector<std::uint8_t> copy(kept[0].pixels().begin(), kept[0].pixels().end());
    camera.close();
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), kept[0].pixels().begin()));
    EXPECT_TRUE(stream->stop().ok());
    EXPECT_EQ(stream->grab(0).error().code(), travik::kNoCamera) << "a stopped stream is empty";
}

TEST_F(CameraWrapperTest, AGrabThatWaitsInVainSaysSoAndAnEmptyCameraHasNoStream) {
    travik::Camera camera = Open();
    ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_FIXED, 1000)); // a frame a second
    auto stream = camera.stream();
    ASSERT_TRUE(stream);
    ASSERT_TRUE(stream->grab(kPatience)); // the first frame
    EXPECT_EQ(stream->grab(0).error().code(), travik::kTimedOut);
    EXPECT_EQ(travik::Camera().stream().error().code(), travik::kNoCamera);
}

TEST_F(CameraWrapperTest, WithRecoveryTheFrameCallbackGetsFramesAgainAfterAnUnplug) {
    travik::Camera camera = Open();
    ASSERT_TRUE(camera.setRecovery(true).ok());
    ASSERT_TRUE(camera.recoveryStatus()->enabled);
    ASSERT_TRUE(camera.onFrame([](const travik::FrameView&) {}).ok());
    ASSERT_TRUE(travik::pumpMessages(kPatience, [&] { return camera.framesDelivered() >= 2; }));
    ASSERT_TRUE(travik_emu::Unplug(0));
    ASSERT_TRUE(travik::pumpMessages(
        kPatience, [&] { return camera.streamError().code() == ERR_DEVICE_LOST; }));
    ASSERT_TRUE(travik_emu::Plug(0));
    const long long before = camera.framesDelivered();
    EXPECT_TRUE(travik::pumpMessages(
        kPatience, [&] { return camera.recoveries() == 1 && camera.framesDelivered() > before; }));
    EXPECT_TRUE(camera.streamError().ok());
    EXPECT_EQ(camera.recoveryStatus()->recoveries, 1u);
}

TEST(CameraWrapperErrors, EveryCodeHasItsOwnText) {
    std::vector<std::string> texts;
    for (int code :
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, travik::kNoCamera, travik::kUnreported,
          travik::kTimedOut}) {
        const std::string text = travik::Error(code).text();
        EXPECT_NE(text, "unknown error") << code;
        for (const std::string& other : texts)
            EXPECT_NE(text, other) << code;
        texts.push_back(text);
    }
    EXPECT_STREQ(travik::Error(10).text(), "unknown error");
    EXPECT_TRUE(travik::Error().ok());
    EXPECT_FALSE(travik::Error(ERR_FILE).ok());
}

} // namespace

namespace {

TEST_F(CameraWrapperTest, SampleStreamsSnapsAndSavesThroughTheWrapper) {
    const std::string path = Output("snapshot_cpp_sample.bmp");
    const travik_test::ProgramRun run = travik_test::RunProgram(
        "\"" + travik_test::ProgramDirectory() + "snapshot_cpp.exe\" \"" + path + "\"");
    ASSERT_EQ(run.status, 0u) << run.output;
    EXPECT_NE(run.output.find("camera: Travik380TZ4-RDX_01"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("streamed"), std::string::npos) << run.output;
    const std::vector<unsigned char> head = travik_test::ReadFileHead(path, 6);
    ASSERT_EQ(head.size(), 6u);
    EXPECT_EQ(travik_test::LittleEndian32(head, 2), 54u + 1280 * 960 * 3);
    const travik_test::ProgramRun wrong =
        travik_test::RunProgram("\"" + travik_test::ProgramDirectory() + "snapshot_cpp.exe\" a b");
    EXPECT_EQ(wrong.status, 2u);
}

TEST_F(CameraWrapperTest, StreamSampleTakesTheFramesItAsksFor) {
    const travik_test::ProgramRun run =
        travik_test::RunProgram("\"" + travik_test::ProgramDirectory() + "stream_cpp.exe\" 12");
    ASSERT_EQ(run.status, 0u) << run.output;
    EXPECT_NE(run.output.find("took 12 frames"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(": 1280 x 960, mean "), std::string::npos) << run.output;
}

} // namespace

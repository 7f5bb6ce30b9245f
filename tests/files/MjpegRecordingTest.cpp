// MJPEG recordings, pre-event files and sidecars through the DLL on the virtual camera: frames
// against the SDK's own pixels, the options' rules, the marks' timing and the camera's loss.
#include "AcquisitionFixture.h"
#include "SidecarReader.h"
#include "TravikSdk.hpp"

#include <algorithm>
#include <cstring>
#include <string>

using namespace files_test;

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;

bool WaitForFinishedFile(const std::string& path, DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        Sleep(20);
    } while (GetTickCount() - start < ms);
    return false;
}

struct Recording {
    std::vector<uint8_t> bytes;
    AviFacts avi;
    Sidecar sidecar;
    bool Complete() const {
        return IsCompleteAvi(avi) && sidecar.ok && sidecar.lines.size() == avi.FrameCount();
    }
    JpegFacts Frame(size_t k) const {
        return DecodeJpeg(bytes.data() + avi.frames[k], avi.frameSizes[k]);
    }
    // The largest time between two frames of the file, in FILETIME ticks.
    uint64_t LargestInterval() const {
        uint64_t largest = 0;
        for (size_t k = 1; k < sidecar.lines.size(); ++k)
            largest = std::max(largest, sidecar.lines[k].utc - sidecar.lines[k - 1].utc);
        return largest;
    }
};

Recording ReadRecording(const std::string& stem) {
    Recording r;
    r.bytes = ReadBytes(stem + ".avi");
    r.avi = ReadAvi(r.bytes);
    r.sidecar = ReadSidecar(stem + ".csv");
    return r;
}

TravikExRecordOptions Options(int codec = TRAVIKEX_CODEC_MJPEG, int quality = 0, int chroma = 0) {
    TravikExRecordOptions options = {};
    options.size = sizeof options;
    options.codec = codec;
    options.quality = quality;
    options.chroma = chroma;
    return options;
}

constexpr uint64_t kTicksPerMs = 10000;

class MjpegRecordingTest : public AcquisitionTest {
  protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_AUTO));
    }
    std::string Stem(const char* name) const { return dir.Path(name); }
    // Records `ms` and waits until the file is finished.
    Recording RecordFor(const char* name, int ms, const TravikExRecordOptions& options) {
        const std::string stem = Stem(name);
        EXPECT_EQ(TravikEx_RecordA(handle, (stem + ".avi").c_str(), ms, 0, &options), 1);
        EXPECT_TRUE(WaitForFinishedFile(stem + ".avi", static_cast<DWORD>(ms) + 15000));
        return ReadRecording(stem);
    }
    // The camera shows one picture over and over: a frame of its own scene, replayed without
    // the frame number, so that every frame it delivers has the same pixels.
    void ShowAStillPicture() {
        ASSERT_EQ(Travik_SetColorMode(handle, 16), 1);
        std::vector<unsigned char> raw(static_cast<size_t>(kWidth) * kHeight * 2);
        ASSERT_EQ(Travik_SnapShot(handle, raw.data(), static_cast<int>(raw.size()), 1), 1);
        std::vector<unsigned short> samples(raw.size() / 2);
        std::memcpy(samples.data(), raw.data(), raw.size());
        ASSERT_TRUE(travik_emu::SetPatternFrames(0, samples, false));
    }
    // Polls `done` for up to 15 s.
    template <class Done> static bool WaitFor(Done done) {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > 15000) return false;
            Sleep(20);
        }
        return true;
    }
    TravikExRecordingStatus Status() {
        TravikExRecordingStatus status = {};
        status.size = sizeof status;
        EXPECT_EQ(TravikEx_GetRecordingStatus(handle, &status), 1);
        return status;
    }
    ScratchDir dir;
};

struct QualityCase {
    int bits, quality, chroma;
    double leastPsnr;
};

class MjpegQuality : public MjpegRecordingTest, public testing::WithParamInterface<QualityCase> {};

// Every frame of the still picture decodes to the SDK's own image of it, within the quality.
TEST_P(MjpegQuality, EveryFrameDecodesCloseToTheSdksOwnPixels) {
    const QualityCase& t = GetParam();
    ShowAStillPicture();
    ASSERT_EQ(Travik_SetColorMode(handle, t.bits), 1);
    const Recording r = RecordFor("q", 600, Options(TRAVIKEX_CODEC_MJPEG, t.quality, t.chroma));
    ASSERT_TRUE(r.Complete()) << r.avi.problem;
    ASSERT_GT(r.avi.FrameCount(), 3u);
    EXPECT_EQ(r.avi.chunkId, "00dc");
    // The recording's last image is still the camera's output image.
    const int channels = t.bits / 8;
    const int stride = (kWidth * channels + 3) & ~3;
    std::vector<uint8_t> image(static_cast<size_t>(stride) * kHeight);
    ASSERT_EQ(Travik_GetImage(handle, image.data(), static_cast<int>(image.size()), 1), 1);
    std::vector<uint8_t> expected; // top row first, red-green-blue
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = channels - 1; c >= 0; --c)
                expected.push_back(image[static_cast<size_t>(y) * stride + x * channels + c]);
    for (uint32_t k = 0; k < r.avi.FrameCount(); ++k) {
        const JpegFacts jpeg = r.Frame(k);
        ASSERT_TRUE(jpeg.ok) << "frame " << k;
        EXPECT_FALSE(jpeg.progressive);
        EXPECT_EQ(jpeg.components, channels);
        if (channels == 3) EXPECT_EQ(jpeg.lumaSampling, t.chroma == 444 ? 1 : 2);
        const std::vector<uint8_t> decoded(jpeg.picture.samples.begin(),
                                           jpeg.picture.samples.end());
        EXPECT_GE(Psnr(decoded, expected), t.leastPsnr) << "frame " << k;
    }
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    EXPECT_TRUE(DrainErrors().empty());
}

INSTANTIATE_TEST_SUITE_P(Settings, MjpegQuality,
                         testing::Values(QualityCase{24, 0, 0, 40.0}, // quality 90, 4:2:0
                                         QualityCase{24, 100, 444, 48.0},
                                         QualityCase{8, 0, 0, 40.0})); // monochrome

class RefusedDepth : public MjpegRecordingTest, public testing::WithParamInterface<int> {};

TEST_P(RefusedDepth, MjpegOfAnotherDepthIsRefusedBeforeAnythingIsWritten) {
    ASSERT_EQ(Travik_SetColorMode(handle, GetParam()), 1);
    const TravikExRecordOptions options = Options();
    EXPECT_EQ(TravikEx_RecordA(handle, (Stem("d") + ".avi").c_str(), 1000, 0, &options), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_NOT_SUPPORTED});
    EXPECT_EQ(GetFileAttributesA((Stem("d") + ".avi").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((Stem("d") + ".csv").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Travik_Capture(handle), 1); // nothing was started: the camera is idle
}

INSTANTIATE_TEST_SUITE_P(Depths, RefusedDepth, testing::Values(16, 32, 48, 64));

struct BadOptions {
    const char* what;
    void (*spoil)(TravikExRecordOptions&);
};

class RefusedOptions : public MjpegRecordingTest, public testing::WithParamInterface<BadOptions> {};

TEST_P(RefusedOptions, AreAParameterErrorAndWriteNothing) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    TravikExRecordOptions options = Options();
    GetParam().spoil(options);
    EXPECT_EQ(TravikEx_RecordA(handle, (Stem("o") + ".avi").c_str(), 1000, 0, &options), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_PARAMETER});
    EXPECT_EQ(GetFileAttributesA((Stem("o") + ".avi").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Travik_Capture(handle), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RefusedOptions,
    testing::Values(BadOptions{"size", [](TravikExRecordOptions& o) { o.size -= 4; }},
                    BadOptions{"codec", [](TravikExRecordOptions& o) { o.codec = 2; }},
                    BadOptions{"quality", [](TravikExRecordOptions& o) { o.quality = 101; }},
                    BadOptions{"chroma", [](TravikExRecordOptions& o) { o.chroma = 422; }},
                    BadOptions{"pre", [](TravikExRecordOptions& o) { o.preEventMs = -1; }},
                    BadOptions{"long pre", [](TravikExRecordOptions& o) { o.preEventMs = 600001; }},
                    BadOptions{"ring",
                               [](TravikExRecordOptions& o) {
                                   o.preEventMs = 1000;
                                   o.ringMegabytes = 1025;
                               }},
                    BadOptions{"raw pre",
                               [](TravikExRecordOptions& o) {
                                   o.codec = TRAVIKEX_CODEC_RAW;
                                   o.postEventMs = 1000;
                               }}),
    [](const testing::TestParamInfo<BadOptions>& info) {
        std::string name = info.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST_F(MjpegRecordingTest, MarksAndStatusNeedWhatTheyAskFor) {
    EXPECT_EQ(TravikEx_MarkRecording(handle), 0); // no recording
    TravikExRecordingStatus status = {};
    status.size = sizeof status - 1;
    EXPECT_EQ(TravikEx_GetRecordingStatus(handle, &status), 0);
    EXPECT_EQ(TravikEx_GetRecordingStatus(handle, nullptr), 0);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{ERR_PARAMETER, ERR_PARAMETER, ERR_UNAVAILABLE}));
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    const TravikExRecordOptions options = Options();
    ASSERT_EQ(TravikEx_RecordA(handle, (Stem("m") + ".avi").c_str(), 2000, 0, &options), 1);
    EXPECT_EQ(TravikEx_MarkRecording(handle), 0); // not a pre-event recording
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_UNAVAILABLE});
}

class SidecarOf : public MjpegRecordingTest, public testing::WithParamInterface<int> {};

// One line per frame of the file, in its order, with ids that increase and times that run
// forward within the recording.
TEST_P(SidecarOf, RecordingTellsOfEveryFrameInOrderWithinItsTime) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    TravikExRecordOptions options = Options(GetParam());
    options.sidecar = 1;
    const uint64_t before = UtcNow();
    const Recording r = RecordFor("s", 1000, options);
    const uint64_t after = UtcNow();
    ASSERT_TRUE(r.Complete()) << r.avi.problem;
    ASSERT_GT(r.avi.FrameCount(), 3u);
    const std::vector<SidecarLine>& lines = r.sidecar.lines;
    for (size_t k = 0; k < lines.size(); ++k) {
        EXPECT_EQ(lines[k].index, k);
        EXPECT_GT(lines[k].utc, before);
        EXPECT_LT(lines[k].utc, after);
        EXPECT_GT(lines[k].exposureUs, 0u);
        if (k == 0) continue;
        EXPECT_GT(lines[k].frameId, lines[k - 1].frameId) << k;
        EXPECT_GT(lines[k].utc, lines[k - 1].utc) << k;
        EXPECT_EQ(lines[k].skipped, lines[k].frameId - lines[k - 1].frameId - 1) << k;
    }
    const TravikExRecordingStatus status = Status();
    EXPECT_EQ(status.running, 0);
    EXPECT_EQ(status.framesRecorded, r.avi.FrameCount());
    EXPECT_EQ(status.uncompressedBytes, uint64_t{status.framesEncoded} * 3686408u);
    if (GetParam() == TRAVIKEX_CODEC_MJPEG) {
        uint64_t bytes = 0;
        for (uint32_t size : r.avi.frameSizes)
            bytes += size;
        EXPECT_EQ(status.encodedBytes, bytes);
        EXPECT_GT(status.encoderCpuUs, 0u);
    }
    const std::string avi = Stem("s") + ".avi";
    EXPECT_EQ(std::wstring(status.file), std::wstring(avi.begin(), avi.end()));
}

INSTANTIATE_TEST_SUITE_P(Codecs, SidecarOf,
                         testing::Values(TRAVIKEX_CODEC_MJPEG, TRAVIKEX_CODEC_RAW));

// The file of a mark starts its seconds before by the sidecar's times, to a frame, and ends its
// seconds after the last mark that extended it; a mark after it makes the next file.
TEST_F(MjpegRecordingTest, PreEventFilesHoldTheSecondsAroundTheirMarks) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    TravikExRecordOptions options = Options();
    options.preEventMs = 1000;
    options.postEventMs = 800;
    ASSERT_EQ(TravikEx_RecordA(handle, (Stem("clip") + ".avi").c_str(), 0, 0, &options), 1);
    // The ring keeps the last second: a second of frames less one. It has filled once it held
    // most of it and a few more frames came.
    ASSERT_TRUE(WaitFor([&] { return Status().ringMs >= 900; }));
    Sleep(200);
    EXPECT_EQ(Status().filesBegun, 0u);
    uint64_t marks[3][2]; // UTC just before and just after each mark
    auto mark = [&](int m) {
        marks[m][0] = UtcNow();
        EXPECT_EQ(TravikEx_MarkRecording(handle), 1);
        marks[m][1] = UtcNow();
    };
    mark(0);
    Sleep(500);
    mark(1); // its second before reaches into the file: the file runs 800 ms past it
    ASSERT_TRUE(WaitFor([&] { return Status().filesBegun == 1 && !Status().writing; }));
    mark(2);
    ASSERT_TRUE(WaitFor([&] { return Status().filesBegun == 2 && !Status().writing; }));
    EXPECT_EQ(Travik_StopPreview(handle), 1);

    const uint64_t pre = 1000 * kTicksPerMs, post = 800 * kTicksPerMs;
    // The recorder times frames and marks in whole milliseconds: a file may reach one further.
    const uint64_t tick = kTicksPerMs;
    const Recording first = ReadRecording(Stem("clip-0001")),
                    second = ReadRecording(Stem("clip-0002"));
    for (const Recording* r : {&first, &second}) {
        ASSERT_TRUE(r->Complete()) << r->avi.problem;
        ASSERT_GT(r->avi.FrameCount(), 10u);
        for (uint32_t k = 0; k < r->avi.FrameCount(); k += 7)
            EXPECT_TRUE(r->Frame(k).ok);
    }
    // No frame before its mark's seconds; the first within a frame of their start.
    EXPECT_GE(first.sidecar.lines.front().utc, marks[0][0] - pre - tick);
    EXPECT_LE(first.sidecar.lines.front().utc, marks[0][1] - pre + first.LargestInterval());
    EXPECT_LE(first.sidecar.lines.back().utc, marks[1][1] + post + tick);
    EXPECT_GE(first.sidecar.lines.back().utc, marks[1][0] + post - first.LargestInterval());
    EXPECT_GE(second.sidecar.lines.front().utc, marks[2][0] - pre - tick);
    EXPECT_LE(second.sidecar.lines.front().utc, marks[2][1] - pre + second.LargestInterval());
    EXPECT_LE(second.sidecar.lines.back().utc, marks[2][1] + post + tick);
    EXPECT_GE(second.sidecar.lines.back().utc, marks[2][0] + post - second.LargestInterval());
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(MjpegRecordingTest, UnpluggingTheCameraLeavesACompleteFileAndSidecar) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    const TravikExRecordOptions options = Options();
    ASSERT_EQ(TravikEx_RecordA(handle, (Stem("lost") + ".avi").c_str(), 600000, 0, &options), 1);
    Sleep(700);
    ASSERT_TRUE(travik_emu::Unplug(0));
    ASSERT_TRUE(WaitForFinishedFile(Stem("lost") + ".avi", 15000));
    const Recording r = ReadRecording(Stem("lost"));
    EXPECT_TRUE(r.Complete()) << r.avi.problem;
    EXPECT_GT(r.avi.FrameCount(), 0u);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_DEVICE_LOST});
    travik_emu::Plug(0);
}

// The C++ wrapper reaches the extensions as an application would.
TEST_F(MjpegRecordingTest, TheCppCameraRecordsMjpegAndTellsItsStatus) {
    ASSERT_EQ(Travik_Release(handle), 1);
    handle = 0;
    travik::Result<travik::Camera> opened = travik::Camera::open(0);
    ASSERT_TRUE(opened) << opened.error().text();
    travik::Camera& camera = *opened;
    ASSERT_TRUE(camera.setColorMode(travik::ColorMode::Mono8).ok());
    const std::string avi = Stem("cpp") + ".avi";
    ASSERT_TRUE(camera.record(avi, 500, travik::mjpegOptions(95)).ok());
    EXPECT_EQ(camera.markRecording().code(), ERR_UNAVAILABLE); // not a pre-event recording
    ASSERT_TRUE(WaitForFinishedFile(avi, 15000));
    travik::Result<TravikExRecordingStatus> status = camera.recordingStatus();
    ASSERT_TRUE(status);
    const Recording r = ReadRecording(Stem("cpp"));
    ASSERT_TRUE(r.Complete()) << r.avi.problem;
    EXPECT_EQ(status->framesRecorded, r.avi.FrameCount());
    EXPECT_EQ(r.Frame(0).components, 1);
}

} // namespace

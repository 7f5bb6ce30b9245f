// The recorder thread against a stand-in acquisition thread: timing, conversions, stop and refusal.
#include "FileTestSupport.h"
#include "files/AviRecorder.h"
#include "imaging/ImageBuffer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>

using namespace files_test;

namespace {

struct AviFile {
    bool valid = false;
    uint32_t frames = 0;
    uint32_t frameBytes = 0;
    uint32_t scale = 0;
    std::vector<uint8_t> bytes;
    AviFacts facts;
    const uint8_t* Frame(uint32_t k) const { return bytes.data() + facts.frames[k]; }
    double FramesPerSecond() const { return scale ? 1e7 / scale : 0; }
};

// Reads a recording and checks that it is a finished file: sizes, indexes and counts agree.
AviFile ReadRecording(const std::string& path) {
    AviFile avi;
    avi.bytes = ReadBytes(path);
    avi.facts = ReadAvi(avi.bytes);
    avi.valid = IsCompleteAvi(avi.facts);
    avi.frames = avi.facts.FrameCount();
    avi.frameBytes = avi.facts.suggestedBuffer - 8;
    avi.scale = avi.facts.scale;
    return avi;
}

// Runs the recorder the way the camera object does: a stand-in acquisition thread produces an
// output image every `periodMs` and hands it to the recorder under the image lock, and the
// recorder runs on a thread of its own until its run flag is cleared or it clears it.
class StandInCamera {
  public:
    StandInCamera() = default;
    ~StandInCamera() {
        StopRecording();
        StopProducing();
    }

    AviRecorder::OpenResult Open(const std::string& path, int timeMs = 1000) {
        return recorder.Open(path.c_str(), timeMs, lock, [this] { return output.load(); });
    }
    bool Record(const std::string& path, int timeMs) {
        if (Open(path, timeMs) != AviRecorder::OpenResult::kOpened) return false;
        StartRun();
        return true;
    }
    void StartRun() {
        runFlag = 1;
        // A Win32 thread, as the camera's: the C++ runtime's threads share locks of their own
        // whose first contention leaves an event behind, which a count of handles would take
        // for a leak of the recording running at that moment.
        m_recorder = CreateThread(nullptr, 0, RecorderMain, this, 0, nullptr);
    }
    // One output image, as the acquisition engine finishes it.
    void Produce() {
        LockGuard guard(lock);
        ++produced;
        recorder.TakeFrame(output.load());
    }
    // What stopping acquisition does: clear the run flag and wait for the thread.
    void StopRecording() {
        runFlag = 0;
        if (!m_recorder) return;
        WaitForSingleObject(m_recorder, INFINITE);
        CloseHandle(m_recorder);
        m_recorder = nullptr;
    }
    bool WaitUntilIdle(DWORD timeoutMs) {
        const DWORD start = GetTickCount();
        while (runFlag.load()) {
            if (GetTickCount() - start > timeoutMs) return false;
            Sleep(5);
        }
        StopRecording();
        return true;
    }

    void SetPeriod(int periodMs) { m_period = periodMs; }
    void StartProducing() {
        m_run = true;
        m_producer = std::thread([this] {
            while (m_run) {
                Sleep(m_period);
                Produce();
            }
        });
    }
    void StopProducing() {
        m_run = false;
        if (m_producer.joinable()) m_producer.join();
    }

    CriticalSection lock;
    AviRecorder recorder;
    std::atomic<const ImageBuffer*> output{nullptr};
    std::atomic<int> runFlag{0};
    std::atomic<int> produced{0};
    std::atomic<int> acquisition{1}; // the acquisition's run flag
    std::atomic<AviRecorder::End> end{AviRecorder::End::kTime};

  private:
    int m_period = 20;
    std::atomic<bool> m_run{false};
    std::thread m_producer;
    static DWORD WINAPI RecorderMain(void* self) {
        auto* camera = static_cast<StandInCamera*>(self);
        camera->end = camera->recorder.Run(camera->runFlag, &camera->acquisition);
        return 0;
    }
    HANDLE m_recorder = nullptr;
};

// Records while the stand-in produces frames, until the recording ends by itself.
AviFile RecordToTheEnd(StandInCamera& camera, const std::string& path, int timeMs) {
    if (!camera.Record(path, timeMs)) return {};
    camera.StartProducing();
    const bool ended = camera.WaitUntilIdle(10000);
    camera.StopProducing();
    return ended ? ReadRecording(path) : AviFile{};
}

void FillRow(ImageBuffer& image, int memoryRow, const std::vector<uint32_t>& channels) {
    const int sampleBytes = (image.Bits() == 16 || image.Bits() >= 48) ? 2 : 1;
    for (int x = 0; x < image.Width(); ++x) {
        uint8_t* p = image.Pixels() + memoryRow * image.Stride() + x * (image.Bits() / 8);
        for (uint32_t value : channels) {
            p[0] = static_cast<uint8_t>(value);
            if (sampleBytes == 2) p[1] = static_cast<uint8_t>(value >> 8);
            p += sampleBytes;
        }
    }
}

// A stand-in camera with an output image and a scratch folder for its recordings. The camera goes
// before the image it reads, and both before the folder of its files.
class AviRecording : public testing::Test {
  protected:
    // Gives the camera an output image of this size and depth, made every `periodMs` once it
    // produces.
    bool UseImage(int width, int height, int bits, int periodMs = 20) {
        camera.SetPeriod(periodMs);
        camera.output = &image;
        return image.Create(width, height, bits) == 1;
    }

    ScratchDir dir;
    ImageBuffer image;
    StandInCamera camera;
};

} // namespace

TEST_F(AviRecording, RecordsForItsTimeFromTheFirstFrameThenFinishesTheFile) {
    ASSERT_TRUE(UseImage(64, 48, 24, 40)); // 25 frames per second
    ASSERT_TRUE(camera.Record(dir.Path("t.avi"), 1000));
    Sleep(300); // the time starts with the first frame, not with the start
    EXPECT_EQ(camera.runFlag.load(), 1);
    camera.StartProducing();
    ASSERT_TRUE(camera.WaitUntilIdle(10000));
    camera.StopProducing();

    const AviFile avi = ReadRecording(dir.Path("t.avi"));
    ASSERT_TRUE(avi.valid);
    EXPECT_EQ(avi.frames, camera.recorder.FramesRecorded());
    EXPECT_EQ(avi.frameBytes, 64u * 3u * 48u);
    // At most the 26 or so frames made in a second and a frame, counted from the first one; a
    // loaded machine skips some. The measured rate follows the frames actually recorded.
    EXPECT_GE(avi.frames, 5u);
    EXPECT_LE(avi.frames, 28u);
    EXPECT_GT(avi.FramesPerSecond(), 4.0);
    EXPECT_LT(avi.FramesPerSecond(), 27.0);
}

TEST_F(AviRecording, ClearingTheRunFlagBeforeTheTimeLeavesAFinishedFile) {
    ASSERT_TRUE(UseImage(32, 16, 24));
    ASSERT_TRUE(camera.Record(dir.Path("s.avi"), 600000));
    camera.StartProducing();
    Sleep(300);
    camera.StopRecording(); // StopPreview, Close or the camera's release
    camera.StopProducing();
    const AviFile avi = ReadRecording(dir.Path("s.avi"));
    ASSERT_TRUE(avi.valid);
    EXPECT_GT(avi.frames, 0u);
    EXPECT_EQ(avi.frames, camera.recorder.FramesRecorded());
}

TEST_F(AviRecording, StopWithoutAnyFrameLeavesAnEmptyValidFile) {
    ASSERT_TRUE(UseImage(8, 8, 8));
    ASSERT_TRUE(camera.Record(dir.Path("e.avi"), 1000));
    camera.StopRecording();
    const AviFile avi = ReadRecording(dir.Path("e.avi"));
    EXPECT_TRUE(avi.valid);
    EXPECT_EQ(avi.frames, 0u);
}

TEST_F(AviRecording, ASecondRecordingStartsCleanAfterTheFirst) {
    ImageBuffer large;
    ASSERT_EQ(large.Create(32, 16, 48), 1);
    ASSERT_TRUE(UseImage(8, 4, 24));
    camera.StartProducing();
    ASSERT_TRUE(camera.Record(dir.Path("1.avi"), 100));
    ASSERT_TRUE(camera.WaitUntilIdle(5000));
    camera.output = &large;
    ASSERT_TRUE(camera.Record(dir.Path("2.avi"), 0));
    ASSERT_TRUE(camera.WaitUntilIdle(5000));
    camera.StopProducing();
    const AviFile first = ReadRecording(dir.Path("1.avi")),
                  second = ReadRecording(dir.Path("2.avi"));
    ASSERT_TRUE(first.valid);
    ASSERT_TRUE(second.valid);
    EXPECT_EQ(first.frameBytes, 24u * 4u);
    EXPECT_EQ(second.frameBytes, 96u * 16u);
    EXPECT_EQ(second.frames, 2u);
}

struct EndCase {
    int timeMs;
    uint32_t frames;
};

class AviRecorderEnd : public AviRecording, public testing::WithParamInterface<EndCase> {};

TEST_P(AviRecorderEnd, ShortTimesEndOnAFixedFrame) {
    ASSERT_TRUE(UseImage(16, 8, 24, 30));
    const AviFile avi = RecordToTheEnd(camera, dir.Path("z.avi"), GetParam().timeMs);
    ASSERT_TRUE(avi.valid);
    EXPECT_EQ(avi.frames, GetParam().frames);
    EXPECT_GT(avi.scale, 0u); // a time of 0 ms or 0 frames per second divides by nothing
}

// Time 0: the first frame is not past its own time, so the second ends it. A negative time
// ends the recording with its first frame.
INSTANTIATE_TEST_SUITE_P(Times, AviRecorderEnd,
                         testing::Values(EndCase{0, 2}, EndCase{-1, 1}, EndCase{-100000, 1}));

struct DepthCase {
    int bits;
    std::vector<uint32_t> firstRow; // memory row 0, blue-green-red order
    uint8_t blue, green, red;       // what the frame holds for it
};

class AviRecorderDepth : public AviRecording, public testing::WithParamInterface<DepthCase> {};

TEST_P(AviRecorderDepth, FirstDeliveredRowIsTheTopOfEveryFrame) {
    const DepthCase& t = GetParam();
    ASSERT_TRUE(UseImage(5, 4, t.bits)); // odd width: rows padded to 16 bytes
    FillRow(image, 0, t.firstRow);
    const AviFile avi = RecordToTheEnd(camera, dir.Path("d.avi"), -1);
    ASSERT_TRUE(avi.valid);
    ASSERT_EQ(avi.frames, 1u);
    ASSERT_EQ(avi.frameBytes, 16u * 4u);
    const uint8_t* frame = avi.Frame(0);
    for (int x = 0; x < 5; ++x) {
        const uint8_t* top = frame + 3 * 16 + 3 * x; // bottom-up: the last row is the top
        EXPECT_EQ(top[0], t.blue) << x;
        EXPECT_EQ(top[1], t.green) << x;
        EXPECT_EQ(top[2], t.red) << x;
        EXPECT_EQ(frame[3 * x], 0) << x; // the bottom row stays black
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, AviRecorderDepth,
                         testing::Values(DepthCase{8, {200}, 200, 200, 200},
                                         DepthCase{16, {1023}, 255, 255, 255},
                                         DepthCase{24, {10, 20, 30}, 10, 20, 30},
                                         DepthCase{32, {10, 20, 30, 99}, 10, 20, 30},
                                         DepthCase{48, {512, 256, 1020}, 128, 64, 255},
                                         DepthCase{64, {512, 256, 1020, 7}, 128, 64, 255}));

TEST_F(AviRecording, AnImageThatChangesItsFormatEndsTheRecording) {
    ImageBuffer gray;
    ASSERT_EQ(gray.Create(16, 8, 8), 1);
    ASSERT_TRUE(UseImage(16, 8, 48));
    ASSERT_TRUE(camera.Record(dir.Path("c.avi"), 600000));
    camera.StartProducing();
    Sleep(150);
    camera.output = &gray; // a colour mode changed while recording
    ASSERT_TRUE(camera.WaitUntilIdle(5000));
    camera.StopProducing();
    EXPECT_EQ(camera.end.load(), AviRecorder::End::kImageChanged);
    const AviFile avi = ReadRecording(dir.Path("c.avi"));
    EXPECT_TRUE(avi.valid);
    EXPECT_EQ(avi.frames, camera.recorder.FramesRecorded());
}

TEST_F(AviRecording, OpenRefusesWithoutAnImageOrAFile) {
    EXPECT_EQ(camera.Open(dir.Path("n.avi")), AviRecorder::OpenResult::kNoImage);
    EXPECT_EQ(GetFileAttributesA(dir.Path("n.avi").c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(UseImage(8, 8, 24));
    EXPECT_EQ(camera.Open(dir.Path("no\\such\\dir\\n.avi")), AviRecorder::OpenResult::kFileFailed);
}

TEST_F(AviRecording, AbandonClosesAFileThatNeverRan) {
    ASSERT_TRUE(UseImage(8, 8, 24));
    ASSERT_EQ(camera.Open(dir.Path("a.avi")), AviRecorder::OpenResult::kOpened);
    EXPECT_FALSE(IsClosed(dir.Path("a.avi")));
    camera.recorder.Abandon();
    EXPECT_TRUE(IsClosed(dir.Path("a.avi")));
}

namespace {

// Wine gives a critical section a semaphore the first time two threads meet at it, and keeps it:
// the image lock, and the lock of GDI that the conversions on the acquisition thread and the
// buffers made and freed by the recorder share. Two threads meeting at both, many times, make
// those once before counting, so that the count sees only what recordings leave behind.
void ContendForLocks(CriticalSection& imageLock) {
    auto meet = [&imageLock] {
        for (int i = 0; i < 300; ++i) {
            LockGuard guard(imageLock);
            Sleep(0);
            guard.Unlock();
            HDC dc = CreateCompatibleDC(nullptr);
            DeleteDC(dc);
        }
    };
    std::thread other(meet);
    meet();
    other.join();
}

} // namespace

TEST_F(AviRecording, RecordingsLeaveNoHandlesOrGdiObjectsBehind) {
    ASSERT_TRUE(UseImage(16, 8, 8, 10));
    camera.StartProducing();
    auto record = [&] {
        camera.Record(dir.Path("l.avi"), 30);
        camera.WaitUntilIdle(5000);
    };
    for (int i = 0; i < 3; ++i)
        record();
    ContendForLocks(camera.lock);
    const travik_test::ResourceCounts before = travik_test::CountResources();
    for (int i = 0; i < 10; ++i)
        record();
    const travik_test::ResourceCounts after = travik_test::CountResources();
    camera.StopProducing();
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
}

namespace {

// A clock whose every reading is 40 ms after the one before: frames taken 40 ms apart.
std::atomic<uint32_t> g_fakeNow{0};
uint32_t FortyMsPerReading() {
    return g_fakeNow.fetch_add(40) + 40;
}

} // namespace

TEST_F(AviRecording, TwoFramesFortyMillisecondsApartAreTwentyFiveFramesPerSecond) {
    camera.recorder.SetClock(FortyMsPerReading);
    ASSERT_TRUE(UseImage(16, 8, 24));
    // Time 0 ends the recording on its second frame: two frames, one 40 ms interval.
    const AviFile avi = RecordToTheEnd(camera, dir.Path("rate.avi"), 0);
    ASSERT_TRUE(avi.valid) << avi.facts.problem;
    ASSERT_EQ(avi.frames, 2u);
    EXPECT_EQ(U32At(avi.bytes, 32), 40000u); // microseconds per frame
    EXPECT_EQ(avi.scale, 400000u);           // 10,000,000 / 400,000 = 25 frames per second
    EXPECT_EQ(camera.end.load(), AviRecorder::End::kTime);
}

TEST_F(AviRecording, AcquisitionThatEndsUnderTheRecordingFinishesTheFileAtOnce) {
    ASSERT_TRUE(UseImage(16, 8, 24));
    ASSERT_TRUE(camera.Record(dir.Path("lost.avi"), 600000));
    camera.StartProducing();
    while (camera.recorder.FramesRecorded() < 3)
        Sleep(5);
    camera.StopProducing();
    camera.acquisition = 0; // the worker stopped: the device is gone
    ASSERT_TRUE(camera.WaitUntilIdle(5000));
    EXPECT_EQ(camera.end.load(), AviRecorder::End::kAcquisitionEnded);
    EXPECT_TRUE(camera.recorder.FileFinished());
    const AviFile avi = ReadRecording(dir.Path("lost.avi"));
    EXPECT_TRUE(avi.valid) << avi.facts.problem;
    EXPECT_EQ(avi.frames, camera.recorder.FramesRecorded());
}

TEST_F(AviRecording, APausedAcquisitionKeepsTheRecordingGoing) {
    ASSERT_TRUE(UseImage(16, 8, 24));
    camera.acquisition = 2; // a settings dialog pauses trigger mode
    ASSERT_TRUE(camera.Record(dir.Path("pause.avi"), 600000));
    camera.StartProducing();
    while (camera.recorder.FramesRecorded() < 3)
        Sleep(5);
    EXPECT_EQ(camera.runFlag.load(), 1);
    camera.StopRecording();
    camera.StopProducing();
    EXPECT_EQ(camera.end.load(), AviRecorder::End::kStopped);
}

TEST_F(AviRecording, ADiskThatFillsEndsTheRecordingWithACompleteFile) {
    ASSERT_TRUE(UseImage(16, 8, 24, 10)); // 384-byte frames
    // Room for the header and five and a half frame chunks.
    camera.recorder.LimitNextFileLength(AviLayout().HeaderBytes() + 5 * 392 + 200);
    ASSERT_TRUE(camera.Record(dir.Path("full.avi"), 600000));
    camera.StartProducing();
    ASSERT_TRUE(camera.WaitUntilIdle(10000));
    camera.StopProducing();
    EXPECT_EQ(camera.end.load(), AviRecorder::End::kWriteFailed);
    EXPECT_TRUE(camera.recorder.FileFinished());
    const AviFile avi = ReadRecording(dir.Path("full.avi"));
    ASSERT_TRUE(avi.valid) << avi.facts.problem;
    // The sixth frame did not fit; the index of five takes the room the part of it left.
    EXPECT_EQ(avi.frames, 5u);
    EXPECT_EQ(camera.recorder.FramesRecorded(), 5u);
}

TEST_F(AviRecording, RecordingsSpanSeveralRiffsWithTheFramesInOrder) {
    AviLayout small;
    small.riffLimit = 8192;
    small.superIndexEntries = 16;
    camera.recorder.SetLayout(small);
    ASSERT_TRUE(UseImage(16, 8, 24, 5));
    ASSERT_TRUE(camera.Record(dir.Path("riffs.avi"), 600000));
    camera.StartProducing();
    while (camera.recorder.FramesRecorded() < 50)
        Sleep(5);
    camera.StopRecording();
    camera.StopProducing();
    const AviFile avi = ReadRecording(dir.Path("riffs.avi"));
    ASSERT_TRUE(avi.valid) << avi.facts.problem;
    EXPECT_GE(avi.facts.forms.size(), 3u);
    EXPECT_EQ(avi.frames, camera.recorder.FramesRecorded());
}

namespace {

// Recordings of 16 × 8 flat pictures of a value that the test changes, through a recorder whose
// queue has room for a given number of frames.
class AviRecorderQueue : public AviRecording {
  protected:
    bool UseQueue(size_t slots, int bits = 24) {
        camera.recorder.SetQueueBytes(slots * (kFrameBytes + 8));
        return UseImage(16, 8, bits);
    }
    // The image of value `value`, handed to the recorder as the acquisition engine hands it.
    void Produce(uint8_t value) {
        std::memset(image.Pixels(), value, image.ImageBytes());
        camera.Produce();
    }
    // Whether frame k of the recording is the flat picture of `value`.
    static bool FrameIsFlat(const AviFile& avi, uint32_t k, uint8_t value) {
        const uint8_t* frame = avi.Frame(k);
        return std::all_of(frame, frame + kFrameBytes, [value](uint8_t b) { return b == value; });
    }
    static constexpr uint32_t kFrameBytes = 16 * 8 * 3;
};

} // namespace

TEST_F(AviRecorderQueue, AStopWritesEveryQueuedFrameIntoTheFileInOrder) {
    ASSERT_TRUE(UseQueue(6));
    ASSERT_EQ(camera.Open(dir.Path("drain.avi"), 600000), AviRecorder::OpenResult::kOpened);
    ASSERT_EQ(camera.recorder.QueueCapacity(), 6u);
    // The writer has not started: six images fill the queue, the next two find it full.
    for (uint8_t value = 1; value <= 8; ++value)
        Produce(value);
    EXPECT_EQ(camera.recorder.FramesDropped(), 2u);
    camera.runFlag = 0; // the stop comes before the writer has written anything
    EXPECT_EQ(camera.recorder.Run(camera.runFlag, &camera.acquisition), AviRecorder::End::kStopped);

    const AviFile avi = ReadRecording(dir.Path("drain.avi"));
    ASSERT_TRUE(avi.valid) << avi.facts.problem;
    ASSERT_EQ(avi.frames, 6u);
    for (uint32_t k = 0; k < 6; ++k)
        EXPECT_TRUE(FrameIsFlat(avi, k, static_cast<uint8_t>(k + 1))) << "frame " << k;
    EXPECT_EQ(camera.recorder.FramesRecorded(), 6u);
    // Images that come after the recording ended are not taken, and not counted as dropped.
    Produce(9);
    EXPECT_EQ(camera.recorder.FramesDropped(), 2u);
}

TEST_F(AviRecorderQueue, FramesQueuedWhileTheWriterRunsAllReachTheFile) {
    ASSERT_TRUE(UseQueue(4));
    ASSERT_TRUE(camera.Record(dir.Path("run.avi"), 600000));
    // The writer drains the queue as it fills: each image waits until there is room for it.
    for (uint8_t value = 1; value <= 40; ++value) {
        while (camera.recorder.FramesRecorded() + 4 < value)
            Sleep(1);
        Produce(value);
    }
    camera.StopRecording();
    EXPECT_EQ(camera.end.load(), AviRecorder::End::kStopped);
    EXPECT_EQ(camera.recorder.FramesDropped(), 0u);
    const AviFile avi = ReadRecording(dir.Path("run.avi"));
    ASSERT_TRUE(avi.valid) << avi.facts.problem;
    ASSERT_EQ(avi.frames, 40u);
    for (uint32_t k = 0; k < 40; ++k)
        EXPECT_TRUE(FrameIsFlat(avi, k, static_cast<uint8_t>(k + 1))) << "frame " << k;
}

TEST_F(AviRecorderQueue, AWriteFailureWithFramesQueuedLeavesAValidFileOfTheFramesWritten) {
    ASSERT_TRUE(UseQueue(8));
    // Room for the header and three and a half frame chunks.
    camera.recorder.LimitNextFileLength(AviLayout().HeaderBytes() + 3 * (kFrameBytes + 8) + 200);
    ASSERT_EQ(camera.Open(dir.Path("full.avi"), 600000), AviRecorder::OpenResult::kOpened);
    for (uint8_t value = 1; value <= 8; ++value)
        Produce(value);
    camera.runFlag = 1;
    EXPECT_EQ(camera.recorder.Run(camera.runFlag, &camera.acquisition),
              AviRecorder::End::kWriteFailed);
    EXPECT_EQ(camera.runFlag.load(), 0);
    EXPECT_TRUE(camera.recorder.FileFinished());
    EXPECT_TRUE(IsClosed(dir.Path("full.avi")));
    const AviFile avi = ReadRecording(dir.Path("full.avi"));
    ASSERT_TRUE(avi.valid) << avi.facts.problem;
    ASSERT_EQ(avi.frames, 3u);
    for (uint32_t k = 0; k < 3; ++k)
        EXPECT_TRUE(FrameIsFlat(avi, k, static_cast<uint8_t>(k + 1))) << "frame " << k;
    // The intake is closed: nothing more is queued or counted.
    Produce(9);
    EXPECT_EQ(camera.recorder.FramesDropped(), 0u);
}

TEST_F(AviRecorderQueue, AStopWithAFullQueueReturnsAndLeavesNoHandlesOrGdiObjectsBehind) {
    ASSERT_TRUE(UseQueue(5, 8)); // 8-bit images pass through GDI work buffers
    auto recordWithAFullQueue = [&](int round) {
        const std::string path = dir.Path(("full" + std::to_string(round) + ".avi").c_str());
        if (camera.Open(path, 600000) != AviRecorder::OpenResult::kOpened) return false;
        for (uint8_t value = 1; value <= 7; ++value)
            Produce(value);
        camera.StartRun();
        camera.StopRecording(); // what the camera's release does
        const AviFile avi = ReadRecording(path);
        return IsClosed(path) && avi.valid && avi.frames == 5u &&
               camera.recorder.FramesDropped() == 2u;
    };
    ASSERT_TRUE(recordWithAFullQueue(0));
    ContendForLocks(camera.lock);
    const travik_test::ResourceCounts before = travik_test::CountResources();
    for (int round = 1; round <= 5; ++round)
        EXPECT_TRUE(recordWithAFullQueue(round)) << "round " << round;
    const travik_test::ResourceCounts after = travik_test::CountResources();
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
}

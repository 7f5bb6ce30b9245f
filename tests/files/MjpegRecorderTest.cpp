// The recorder's MJPEG path, pre-event ring and sidecar against a stand-in acquisition thread:
// frame order through the encoders, the marks' files, and files that fill the disk.
#include "SidecarReader.h"
#include "files/AviRecorder.h"
#include "files/PreEventRing.h"
#include "imaging/ImageBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

using namespace files_test;

namespace {

// The recorder as the camera object drives it, with the acquisition on the test's thread: each
// Produce is one output image handed over under the image lock, at the time the test sets.
class Recorder {
  public:
    Recorder(int width, int height, int bits) {
        EXPECT_EQ(image.Create(width, height, bits), 1);
        recorder.SetClock([] { return s_now.load(); });
    }
    ~Recorder() { Stop(); }
    AviRecorder::OpenResult Open(const std::string& path, const RecordingOptions& options,
                                 int timeMs = 600000) {
        return recorder.Open(path.c_str(), timeMs, options, m_lock, [this] { return &image; });
    }
    void Start() {
        m_runFlag = 1;
        m_thread = CreateThread(nullptr, 0, Main, this, 0, nullptr);
    }
    // The image's rows are a ramp across and `value` down its first half.
    void Produce(uint8_t value, uint32_t time) {
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < image.Stride(); ++x)
                image.Pixels()[y * image.Stride() + x] =
                    static_cast<uint8_t>(y < image.Height() / 2 ? value : x);
        s_now = time;
        LockGuard lock(m_lock);
        recorder.TakeFrame(&image);
    }
    void Mark(uint32_t time) {
        s_now = time;
        EXPECT_TRUE(recorder.Mark());
    }
    void Stop() {
        m_runFlag = 0;
        if (!m_thread) return;
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    // Waits until the recorder has written `frames`, or has ended.
    void WaitForFrames(uint32_t frames) {
        for (int i = 0; i < 2000 && recorder.FramesRecorded() < frames && m_runFlag; ++i)
            Sleep(5);
    }

    AviRecorder recorder;
    ImageBuffer image;
    std::atomic<AviRecorder::End> end{AviRecorder::End::kTime};
    static std::atomic<uint32_t> s_now;

  private:
    static DWORD WINAPI Main(void* self) {
        auto* r = static_cast<Recorder*>(self);
        r->end = r->recorder.Run(r->m_runFlag);
        return 0;
    }
    CriticalSection m_lock;
    std::atomic<int> m_runFlag{0};
    HANDLE m_thread = nullptr;
};
std::atomic<uint32_t> Recorder::s_now{0};

RecordingOptions Mjpeg(int quality = 90, bool chroma444 = false) {
    RecordingOptions options;
    options.codec = RecordingOptions::Codec::kMjpeg;
    options.quality = quality;
    options.chroma444 = chroma444;
    return options;
}

struct Recording {
    AviFacts avi;
    std::vector<uint8_t> bytes;
    Sidecar sidecar;
    JpegFacts Frame(size_t k) const {
        return DecodeJpeg(bytes.data() + avi.frames[k], avi.frameSizes[k]);
    }
};

Recording ReadRecording(const std::string& avi, const std::string& csv) {
    Recording r;
    r.bytes = ReadBytes(avi);
    r.avi = ReadAvi(r.bytes);
    r.sidecar = ReadSidecar(csv);
    return r;
}

// The mean of the decoded frame's upper half, where the image held one value.
double UpperMean(const JpegFacts& jpeg) {
    double sum = 0;
    const Picture& p = jpeg.picture;
    for (int y = 0; y < p.height / 2; ++y)
        for (int x = 0; x < p.width; ++x)
            sum += p.At(x, y, 0);
    return sum / (p.width * (p.height / 2));
}

struct EncodingCase {
    int bits;
    bool chroma444;
    int components, lumaSampling;
};

class MjpegEncoding : public testing::TestWithParam<EncodingCase> {};

// Four encoders on twelve frames finish out of order; the file has them in the order taken,
// each a baseline JPEG of its own image, and a sidecar line each.
TEST_P(MjpegEncoding, FramesLeaveTheEncodersInTheOrderTheyCame) {
    const EncodingCase& t = GetParam();
    ScratchDir dir;
    Recorder r(96, 64, t.bits);
    r.recorder.SetEncoderThreads(4);
    ASSERT_EQ(r.Open(dir.Path("e.avi"), Mjpeg(90, t.chroma444)), AviRecorder::OpenResult::kOpened);
    r.Start();
    for (uint8_t k = 0; k < 12; ++k)
        r.Produce(static_cast<uint8_t>(20 * k), 40u * k);
    r.WaitForFrames(12);
    r.Stop();
    const Recording rec = ReadRecording(dir.Path("e.avi"), dir.Path("e.csv"));
    ASSERT_TRUE(IsCompleteAvi(rec.avi)) << rec.avi.problem;
    EXPECT_EQ(rec.avi.chunkId, "00dc");
    ASSERT_EQ(rec.avi.FrameCount(), 12u);
    ASSERT_TRUE(rec.sidecar.ok);
    ASSERT_EQ(rec.sidecar.lines.size(), 12u);
    for (uint32_t k = 0; k < 12; ++k) {
        const JpegFacts jpeg = rec.Frame(k);
        ASSERT_TRUE(jpeg.ok) << "frame " << k;
        EXPECT_FALSE(jpeg.progressive);
        EXPECT_EQ(jpeg.components, t.components);
        EXPECT_EQ(jpeg.lumaSampling, t.lumaSampling);
        EXPECT_NEAR(UpperMean(jpeg), 20.0 * k, 2.0) << "frame " << k;
        EXPECT_EQ(rec.sidecar.lines[k].index, k);
        EXPECT_EQ(rec.sidecar.lines[k].frameId, k);
    }
    EXPECT_EQ(r.recorder.FramesDropped(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Depths, MjpegEncoding,
                         testing::Values(EncodingCase{24, false, 3, 2},
                                         EncodingCase{24, true, 3, 1},
                                         EncodingCase{8, false, 1, 1}));

TEST(MjpegRecorder, FramesThatFindTheQueueFullAreCountedAndTheSidecarShowsTheGap) {
    ScratchDir dir;
    Recorder r(64, 32, 24);
    r.recorder.SetQueueBytes(3 * (64 * 32 * 3 + 8)); // three slots
    ASSERT_EQ(r.Open(dir.Path("q.avi"), Mjpeg()), AviRecorder::OpenResult::kOpened);
    for (uint8_t k = 0; k < 5; ++k)
        r.Produce(k, 40u * k); // the writer does not run yet: the last two find the queue full
    r.Produce(9, 400);         // nor this one
    EXPECT_EQ(r.recorder.FramesDropped(), 3u);
    r.Start();
    r.WaitForFrames(3);
    r.Produce(10, 440); // room again
    r.WaitForFrames(4);
    r.Stop();
    const Recording rec = ReadRecording(dir.Path("q.avi"), dir.Path("q.csv"));
    ASSERT_TRUE(IsCompleteAvi(rec.avi)) << rec.avi.problem;
    ASSERT_EQ(rec.sidecar.lines.size(), 4u);
    EXPECT_EQ(rec.sidecar.lines[3].frameId, 6u);
    EXPECT_EQ(rec.sidecar.lines[3].skipped, 3u);
    const AviRecorder::Status status = r.recorder.CurrentStatus();
    EXPECT_EQ(status.framesTaken, 4u);
    EXPECT_EQ(status.framesRecorded, 4u);
    EXPECT_EQ(status.framesDropped, 3u);
    EXPECT_EQ(status.framesEncoded, 4u);
    EXPECT_EQ(status.uncompressedBytes, 4u * (64 * 32 * 3 + 8));
}

struct FullCase {
    bool sidecarFills; // else the AVI's disk fills
    uint64_t limit;    // bytes the file may take
};

class MjpegDiskFull : public testing::TestWithParam<FullCase> {};

// Whichever file the disk fills first, the recording ends with a complete AVI and a sidecar of
// exactly its frames.
TEST_P(MjpegDiskFull, LeavesACompleteAviAndASidecarOfTheSameFrames) {
    ScratchDir dir;
    Recorder r(64, 48, 24);
    if (GetParam().sidecarFills)
        r.recorder.LimitNextSidecarLength(GetParam().limit);
    else
        r.recorder.LimitNextFileLength(AviLayout().HeaderBytes() + GetParam().limit);
    ASSERT_EQ(r.Open(dir.Path("f.avi"), Mjpeg()), AviRecorder::OpenResult::kOpened);
    r.Start();
    for (uint32_t k = 0; k < 200 && r.end.load() == AviRecorder::End::kTime; ++k) {
        r.Produce(static_cast<uint8_t>(k), 40 * k);
        r.WaitForFrames(k > 4 ? k - 4 : 0);
    }
    r.Stop();
    EXPECT_EQ(r.end.load(), AviRecorder::End::kWriteFailed);
    EXPECT_TRUE(r.recorder.FileFinished());
    const Recording rec = ReadRecording(dir.Path("f.avi"), dir.Path("f.csv"));
    ASSERT_TRUE(IsCompleteAvi(rec.avi)) << rec.avi.problem;
    EXPECT_GT(rec.avi.FrameCount(), 2u);
    ASSERT_TRUE(rec.sidecar.ok);
    EXPECT_EQ(rec.sidecar.lines.size(), rec.avi.FrameCount());
    EXPECT_EQ(r.recorder.FramesRecorded(), rec.avi.FrameCount());
    for (uint32_t k = 0; k < rec.avi.FrameCount(); ++k)
        EXPECT_TRUE(rec.Frame(k).ok) << "frame " << k;
}

INSTANTIATE_TEST_SUITE_P(Files, MjpegDiskFull,
                         testing::Values(FullCase{false, 20000}, FullCase{true, 500}));

// Marks at fake times over a stand-in taking a frame every 40 ms, as frame ids (time / 40).
struct MarkCase {
    std::vector<uint32_t> marks;                      // times
    std::vector<std::pair<uint64_t, uint64_t>> files; // first and last frame id of each file
};

class PreEvent : public testing::TestWithParam<MarkCase> {};

TEST_P(PreEvent, EachFileHoldsTheSecondsAroundItsMarks) {
    ScratchDir dir;
    Recorder r(32, 16, 8);
    RecordingOptions options = Mjpeg();
    options.preEvent = true;
    options.preEventMs = 400;
    options.postEventMs = 400;
    // A file of an earlier recording keeps its name: the numbers pass over it.
    WriteBytes(dir.Path("clip-0002.csv"), 4, 'x');
    ASSERT_EQ(r.Open(dir.Path("clip.avi"), options, 0), AviRecorder::OpenResult::kOpened);
    r.Start();
    const std::vector<uint32_t>& marks = GetParam().marks;
    size_t next = 0;
    for (uint32_t id = 0; id <= 100; ++id) {
        while (next < marks.size() && marks[next] <= 40 * id)
            r.Mark(marks[next++]);
        r.Produce(static_cast<uint8_t>(id), 40 * id);
        Sleep(1);
    }
    r.Stop();
    EXPECT_EQ(r.recorder.FramesDropped(), 0u);
    const std::vector<std::pair<uint64_t, uint64_t>>& files = GetParam().files;
    EXPECT_EQ(r.recorder.CurrentStatus().filesBegun, files.size());
    for (size_t f = 0; f < files.size(); ++f) {
        const uint32_t number = f == 0 ? 1 : static_cast<uint32_t>(f + 2); // 0002 was taken
        char name[32];
        std::snprintf(name, sizeof name, "clip-%04u", number);
        const Recording rec = ReadRecording(dir.Path(std::string(name) + ".avi"),
                                            dir.Path(std::string(name) + ".csv"));
        ASSERT_TRUE(IsCompleteAvi(rec.avi)) << name << ": " << rec.avi.problem;
        ASSERT_TRUE(rec.sidecar.ok) << name;
        ASSERT_EQ(rec.sidecar.lines.size(), rec.avi.FrameCount()) << name;
        ASSERT_FALSE(rec.sidecar.lines.empty()) << name;
        EXPECT_EQ(rec.sidecar.lines.front().frameId, files[f].first) << name;
        EXPECT_EQ(rec.sidecar.lines.back().frameId, files[f].second) << name;
        EXPECT_EQ(rec.avi.FrameCount(), files[f].second - files[f].first + 1) << name;
    }
    EXPECT_EQ(ReadBytes(dir.Path("clip-0002.csv")).size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(
    Marks, PreEvent,
    testing::Values(
        // One mark: 400 ms before it and 400 ms after, frames 15 to 35.
        MarkCase{{1000}, {{15, 35}}},
        // A second mark whose seconds before reach into the file extends it to 1700 ms; a later
        // one makes a file of its own.
        MarkCase{{1000, 1300, 3000}, {{15, 42}, {65, 85}}},
        // A mark at the start has only what came before it; one near the end, what comes.
        MarkCase{{100, 3900}, {{0, 12}, {88, 100}}}));

TEST(PreEventRing, KeepsTheNewestFramesWithinItsBytesAndEachWhole) {
    PreEventRing ring;
    ASSERT_TRUE(ring.Allocate(1000));
    std::vector<uint8_t> chunk(400);
    RecordedFrameFacts facts;
    // Frames of 8 + 191 + 1 = 200 bytes: five fit, the sixth and on push the oldest out.
    for (uint32_t k = 0; k < 23; ++k) {
        std::memset(chunk.data(), static_cast<int>(k), chunk.size());
        facts.frameId = k;
        ASSERT_TRUE(ring.Push(chunk.data(), k % 3 == 2 ? 291 : 191, 10 * k, facts));
        size_t bytes = 0;
        for (size_t i = 0; i < ring.Count(); ++i) {
            const PreEventRing::Entry& e = ring.At(i);
            bytes += 8 + e.bytes + (e.bytes & 1);
            EXPECT_EQ(e.facts.frameId, k + 1 - ring.Count() + i); // the newest, in order
            const uint8_t* p = ring.ChunkAt(i);
            EXPECT_TRUE(p[8] == e.facts.frameId && p[8 + e.bytes - 1] == e.facts.frameId);
        }
        EXPECT_LE(bytes, 1000u);
        EXPECT_GE(ring.Count(), std::min<size_t>(k + 1, 3)); // no more lost than room needs
    }
    ring.DropBefore(205);
    EXPECT_EQ(ring.At(0).time, 210u);
    EXPECT_FALSE(ring.Push(chunk.data(), 993, 300, facts)); // larger than the ring
}

} // namespace

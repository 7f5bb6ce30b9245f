// The frame stream through the DLL on the virtual camera: whole frames however long they are
// held, each frame's truth, the newest and queue modes, host times, settings in the record, the
// camera lost or released under held frames, and the calls' refusals.
#include "AcquisitionFixture.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <thread>

namespace {

constexpr int kWidth = 1280, kHeight = 960;
constexpr unsigned kFps25 = 25000; // the virtual camera's pacing, in thousandths of a frame/s

bool HeapCheckRun() { return GetEnvironmentVariableA("TRAVIK_TEST_HEAP_CHECK", nullptr, 0) > 0; }

LONGLONG Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

LONGLONG TicksPerMs() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart / 1000;
}

ULONGLONG FileTimeValue(const FILETIME& time) {
    return static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

// Now by the counter and as UTC to the tenth of a microsecond (Windows 8 and later, and Wine):
// of a few pairs the one whose counter reads lie closest around the UTC read, so that a thread
// preempted between two reads does not count as a disagreement of the clocks.
struct ClockPair {
    LONGLONG ticks = 0;
    ULONGLONG utc = 0;
};
ClockPair NowByBothClocks() {
    using Reader = VOID(WINAPI*)(LPFILETIME);
    static const auto read = reinterpret_cast<Reader>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    ClockPair best;
    LONGLONG narrowest = -1;
    for (int attempt = 0; attempt < 8; ++attempt) {
        FILETIME now;
        const LONGLONG before = Ticks();
        read(&now);
        const LONGLONG width = Ticks() - before;
        if (narrowest >= 0 && width >= narrowest) continue;
        narrowest = width;
        best = {before + width / 2, FileTimeValue(now)};
    }
    return best;
}

// A grabbed frame, given back when it goes out of scope.
struct Held {
    int handle = 0;
    TravikExFrame record = {sizeof(TravikExFrame)};
    Held() = default;
    Held(Held&& other) noexcept : handle(other.handle), record(other.record) {
        other.record.ticket = 0;
    }
    Held& operator=(Held&& other) noexcept {
        std::swap(handle, other.handle);
        std::swap(record, other.record);
        return *this;
    }
    ~Held() {
        if (record.ticket) TravikEx_ReleaseFrame(handle, &record);
    }
};

class FrameStream : public AcquisitionTest {
  protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
        ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    }
    int Start(int mode, int buffers = 0, int queueFull = TRAVIKEX_QUEUE_DROP_OLDEST,
              HWND notifyWindow = nullptr) {
        TravikExStreamOptions options = {sizeof(options), mode, buffers, queueFull, notifyWindow};
        return TravikEx_StartStream(handle, &options);
    }
    // The next frame; an empty record when none came in `ms`.
    Held Grab(DWORD ms = 5000) {
        Held held;
        held.handle = handle;
        if (TravikEx_GrabFrame(handle, ms, &held.record) != 1) held.record = {sizeof(TravikExFrame)};
        return held;
    }
    TravikExStreamStats Stats() {
        TravikExStreamStats stats = {sizeof(stats)};
        EXPECT_EQ(TravikEx_GetStreamStats(handle, &stats), 1);
        return stats;
    }
    static unsigned Stamp(const TravikExFrame& frame) {
        return FrameNumber(frame.pixels, frame.stride, frame.height);
    }
    static bool Uniform(const TravikExFrame& frame) {
        const unsigned char* p = frame.pixels;
        return std::all_of(p, p + frame.bytes, [&](unsigned char v) { return v == p[0]; });
    }
    static void ExpectEveryFrameAccountedFor(const TravikExStreamStats& s) {
        EXPECT_EQ(s.delivered, s.handedOut + s.droppedByMode + s.droppedByPool + s.skippedByRing +
                                   s.discarded);
    }
};

struct ModeCase {
    const char* name;
    int mode;
};

class EveryMode : public FrameStream, public ::testing::WithParamInterface<ModeCase> {};

// Two uniform frames replayed in turn, as fast as the camera goes: a frame that holds both values,
// or that changes while it is held, was written while the application had it.
TEST_P(EveryMode, NoFrameIsTornOrTouchedWhileHeldOnTwoThreads) {
    std::vector<unsigned short> frames(2u * kWidth * kHeight, 60 << 2);
    std::fill(frames.begin() + kWidth * kHeight, frames.end(), static_cast<unsigned short>(190 << 2));
    ASSERT_TRUE(travik_emu::SetPatternFrames(0, frames, false));
    ASSERT_EQ(Travik_SetGlobalGain(handle, 512), 1); // the replayed samples pass unchanged
    ASSERT_EQ(Travik_SetExposureTime(handle, 3), 1);
    ASSERT_EQ(Start(GetParam().mode, 4), 1);
    const int grabsPerThread = HeapCheckRun() ? 60 : 500; // 2,000 in both modes
    std::atomic<int> grabs{0}, torn{0}, touched{0}, values{0};
    auto consume = [&](unsigned seed) {
        std::mt19937 random(seed);
        for (int i = 0; i < grabsPerThread; ++i) {
            Held held = Grab();
            if (!held.record.pixels) return;
            ++grabs;
            const unsigned char value = held.record.pixels[0];
            values |= value == 60 ? 1 : value == 190 ? 2 : 4;
            torn += !Uniform(held.record);
            Sleep(random() % 11);
            touched += held.record.pixels[0] != value || !Uniform(held.record);
        }
    };
    std::thread first(consume, 1u), second(consume, 2u);
    first.join();
    second.join();
    EXPECT_EQ(grabs, 2 * grabsPerThread);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(touched, 0);
    EXPECT_EQ(values, 3) << "both replayed frames, and nothing else";
}

// The frame numbers the camera draws into its frames tell what it sent; the ids must agree.
TEST_P(EveryMode, FrameIdsAndSkippedCountsAgreeWithTheCamerasOwnNumbers) {
    ASSERT_EQ(Start(GetParam().mode, 2), 1);
    std::mt19937 random(7);
    Held previous = Grab();
    ASSERT_TRUE(previous.record.pixels);
    for (int i = 0; i < 40; ++i) {
        Sleep(random() % 25); // long enough, now and then, for frames to be dropped
        Held next = Grab();
        ASSERT_TRUE(next.record.pixels);
        const ULONGLONG idGap = next.record.frameId - previous.record.frameId;
        EXPECT_GT(next.record.frameId, previous.record.frameId);
        EXPECT_EQ(idGap, next.record.skippedBefore + 1);
        EXPECT_EQ(Stamp(next.record) - Stamp(previous.record), idGap);
        EXPECT_EQ(next.record.flags, TRAVIKEX_FRAME_COMPLETE);
        previous = std::move(next);
    }
    EXPECT_EQ(TravikEx_StopStream(handle), 1);
    ExpectEveryFrameAccountedFor(Stats());
}

// Times of the host: QueryPerformanceCounter in order, and the UTC stamp the same instant.
TEST_P(EveryMode, HostTimesIncreaseAndTheirUtcIsThatOfTheHostClock) {
    ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_FIXED, kFps25));
    ASSERT_EQ(Start(GetParam().mode), 1);
    LONGLONG previous = 0;
    for (int i = 0; i < 10; ++i) {
        Held frame = Grab();
        ASSERT_TRUE(frame.record.pixels);
        const ClockPair now = NowByBothClocks();
        const LONGLONG nowTicks = now.ticks;
        const ULONGLONG nowUtc = now.utc;
        EXPECT_GT(frame.record.hostTicks, previous);
        EXPECT_GE(frame.record.readyTicks, frame.record.hostTicks);
        EXPECT_LE(frame.record.readyTicks, nowTicks);
        previous = frame.record.hostTicks;
        // The frame's age by either clock, in 100 ns: they agree to a millisecond.
        const double ageByCounter = (nowTicks - frame.record.hostTicks) * 1e4 / TicksPerMs();
        const double ageByUtc =
            static_cast<double>(nowUtc) - FileTimeValue(frame.record.hostTimeUtc);
        EXPECT_NEAR(ageByUtc, ageByCounter, 1e4);
    }
}

TEST_P(EveryMode, UnpluggedMidStreamTheNextGrabTellsOnceAndHeldFramesStay) {
    ASSERT_EQ(Start(GetParam().mode), 1);
    Held held = Grab();
    ASSERT_TRUE(held.record.pixels);
    const std::vector<unsigned char> copy(held.record.pixels,
                                          held.record.pixels + held.record.bytes);
    DrainErrors();
    ASSERT_TRUE(travik_emu::Unplug(0));
    TravikExFrame frame = {sizeof(frame)};
    int grabbed = 1;
    for (int i = 0; i < 400 && grabbed == 1; ++i) {
        grabbed = TravikEx_GrabFrame(handle, 10000, &frame);
        if (grabbed == 1) TravikEx_ReleaseFrame(handle, &frame); // frames that came before
    }
    EXPECT_EQ(grabbed, -1);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_DEVICE_LOST});
    EXPECT_EQ(TravikEx_GrabFrame(handle, 1000, &frame), -1);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_UNAVAILABLE}) << "the loss is told once";
    EXPECT_EQ(0, std::memcmp(copy.data(), held.record.pixels, copy.size()));
    EXPECT_EQ(TravikEx_ReleaseFrame(handle, &held.record), 1);

    ASSERT_TRUE(travik_emu::Plug(0));
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    ASSERT_EQ(Start(GetParam().mode), 1);
    EXPECT_TRUE(Grab().record.pixels) << "frames again after the replug and a restart";
}

TEST_P(EveryMode, ReleasingTheCameraLeavesHeldFramesValidUntilGivenBack) {
    ASSERT_EQ(Start(GetParam().mode, 3), 1);
    std::vector<Held> held;
    for (int i = 0; i < 2; ++i) held.push_back(Grab());
    std::vector<std::vector<unsigned char>> copies;
    for (const Held& frame : held) {
        ASSERT_TRUE(frame.record.pixels);
        copies.emplace_back(frame.record.pixels, frame.record.pixels + frame.record.bytes);
    }
    // A grab waiting on another thread returns when the camera goes.
    std::thread waiting([h = handle] {
        TravikExFrame frame = {sizeof(frame)};
        while (TravikEx_GrabFrame(h, INFINITE, &frame) == 1) TravikEx_ReleaseFrame(h, &frame);
    });
    const int released = handle;
    ASSERT_EQ(Travik_Release(handle), 1);
    handle = 0;
    waiting.join();
    for (size_t i = 0; i < held.size(); ++i) {
        EXPECT_EQ(0, std::memcmp(copies[i].data(), held[i].record.pixels, copies[i].size()));
        EXPECT_EQ(TravikEx_ReleaseFrame(released, &held[i].record), 1);
        EXPECT_EQ(TravikEx_ReleaseFrame(released, &held[i].record), 0) << "given back twice";
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, EveryMode,
                         ::testing::Values(ModeCase{"Newest", TRAVIKEX_STREAM_NEWEST},
                                           ModeCase{"Queue", TRAVIKEX_STREAM_QUEUE}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameStream, NewestOnlyAfterASleepGivesAFrameTakenDuringIt) {
    ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_FIXED, kFps25));
    ASSERT_EQ(Start(TRAVIKEX_STREAM_NEWEST), 1);
    ASSERT_TRUE(Grab().record.pixels);
    const LONGLONG sleepStart = Ticks();
    Sleep(200);
    Held frame = Grab();
    ASSERT_TRUE(frame.record.pixels);
    // Five frames came during the sleep: the newest was handed out, not the first after it.
    EXPECT_GT(frame.record.hostTicks, sleepStart + 100 * TicksPerMs());
    EXPECT_GE(frame.record.skippedBefore, 2u);
    EXPECT_GE(Stats().droppedByMode, 2u);
}

struct QueueCase {
    const char* name;
    int queueFull;
};

class QueueFull : public FrameStream, public ::testing::WithParamInterface<QueueCase> {};

TEST_P(QueueFull, ASlowConsumerFindsExactlyNFramesInOrderAndTheDropsCounted) {
    constexpr int kBuffers = 3;
    ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_FIXED, kFps25));
    ASSERT_EQ(Start(TRAVIKEX_STREAM_QUEUE, kBuffers, GetParam().queueFull), 1);
    TravikExStreamStats before = Stats();
    for (int i = 0; i < 300 && (before.queueDepth < kBuffers || before.delivered < kBuffers + 5);
         ++i, before = Stats())
        Sleep(20);
    ASSERT_EQ(before.queueDepth, static_cast<DWORD>(kBuffers));
    std::vector<Held> kept;
    for (int i = 0; i < kBuffers; ++i) kept.push_back(Grab(0));
    for (size_t i = 1; i < kept.size(); ++i)
        EXPECT_GT(kept[i].record.frameId, kept[i - 1].record.frameId);
    const TravikExStreamStats after = Stats();
    // Of the frames delivered before the grabs the queue kept kBuffers; the others were dropped
    // by the pool, skipped in the ring, or are the one or two still on their way to the queue.
    constexpr ULONGLONG kOnTheirWay = 2;
    EXPECT_GE(after.droppedByPool + before.skippedByRing + kOnTheirWay + kBuffers, before.delivered);
    EXPECT_EQ(after.droppedByMode, 0u);
    // Frame ids counted from the stream's start: the queue kept the first frames, or the last.
    const ULONGLONG base = kept[0].record.frameId - kept[0].record.skippedBefore - 1;
    const ULONGLONG last = kept.back().record.frameId - base;
    if (GetParam().queueFull == TRAVIKEX_QUEUE_REFUSE_NEWEST)
        EXPECT_LE(last, kBuffers + before.skippedByRing);
    else
        EXPECT_GE(last + 2, before.delivered);
    EXPECT_EQ(TravikEx_StopStream(handle), 1);
    ExpectEveryFrameAccountedFor(Stats());
}

INSTANTIATE_TEST_SUITE_P(Policies, QueueFull,
                         ::testing::Values(QueueCase{"DropOldest", TRAVIKEX_QUEUE_DROP_OLDEST},
                                           QueueCase{"RefuseNewest", TRAVIKEX_QUEUE_REFUSE_NEWEST}),
                         [](const auto& info) { return std::string(info.param.name); });

// A setting written to the sensor shows in the record of every frame whose transfer began after it.
struct SensorCase {
    const char* name;
    int id, before, after;
    int TravikExFrame::*field;
};

class SensorSetting : public FrameStream, public ::testing::WithParamInterface<SensorCase> {};

TEST_P(SensorSetting, FollowsTheSetterFromTheNextTransferOn) {
    const SensorCase& c = GetParam();
    ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_FIXED, kFps25));
    ASSERT_EQ(Travik_SetFilterValue(handle, c.id, c.before), 1);
    const int expectedBefore = c.id == FILTER_EXPOSURE_TIME ? Travik_GetRealExposureTime(handle, nullptr) : c.before;
    ASSERT_EQ(Start(TRAVIKEX_STREAM_QUEUE, 16), 1);
    Held first = Grab();
    ASSERT_TRUE(first.record.pixels);
    EXPECT_EQ(first.record.*c.field, expectedBefore);
    const LONGLONG setterStart = Ticks();
    ASSERT_EQ(Travik_SetFilterValue(handle, c.id, c.after), 1);
    const LONGLONG setterEnd = Ticks();
    const int expectedAfter = c.id == FILTER_EXPOSURE_TIME ? Travik_GetRealExposureTime(handle, nullptr) : c.after;
    ASSERT_NE(expectedAfter, expectedBefore);
    // A frame's transfer begins as the one before it ends: frames in a row tell when each began.
    Held previous = std::move(first);
    int checkedAfter = 0;
    for (int grabs = 0; checkedAfter < 3 && grabs < 100; ++grabs) {
        Held frame = Grab();
        ASSERT_TRUE(frame.record.pixels);
        if (frame.record.frameId == previous.record.frameId + 1) {
            if (previous.record.hostTicks < setterStart)
                EXPECT_EQ(frame.record.*c.field, expectedBefore) << "began before the setter";
            if (previous.record.hostTicks > setterEnd) {
                EXPECT_EQ(frame.record.*c.field, expectedAfter) << "began after the setter";
                ++checkedAfter;
            }
        }
        previous = std::move(frame);
    }
    EXPECT_EQ(checkedAfter, 3) << "too few frames in a row";
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SensorSetting,
    ::testing::Values(SensorCase{"Exposure", FILTER_EXPOSURE_TIME, 903, 503, &TravikExFrame::exposureUs},
                      SensorCase{"Gain", FILTER_GLOBAL_GAIN, 100, 700, &TravikExFrame::gain}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameStream, AChangeThatRestartsKeepsTheStreamAndTheFramesHeld) {
    ASSERT_EQ(Start(TRAVIKEX_STREAM_NEWEST), 1);
    Held mono = Grab();
    ASSERT_EQ(mono.record.bitsPerPixel, 8);
    const std::vector<unsigned char> copy(mono.record.pixels, mono.record.pixels + mono.record.bytes);
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    Held colour = Grab();
    for (int i = 0; i < 5 && colour.record.pixels && colour.record.bitsPerPixel != 24; ++i)
        colour = Grab();
    ASSERT_TRUE(colour.record.pixels);
    EXPECT_EQ(colour.record.bitsPerPixel, 24);
    EXPECT_EQ(colour.record.stride, kWidth * 3);
    EXPECT_EQ(colour.record.bytes, static_cast<ULONGLONG>(kWidth) * 3 * kHeight);
    EXPECT_GT(colour.record.frameId, mono.record.frameId);
    EXPECT_EQ(0, std::memcmp(copy.data(), mono.record.pixels, copy.size()));
}

TEST_F(FrameStream, TheEventAndTheWindowMessageTellOfQueuedFrames) {
    HANDLE ready = nullptr;
    ASSERT_EQ(TravikEx_GetStreamEvent(handle, &ready), 1);
    EXPECT_EQ(WaitForSingleObject(ready, 0), WAIT_OBJECT_0) << "no stream: a grab returns at once";
    ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_FIXED, kFps25));
    ASSERT_EQ(Start(TRAVIKEX_STREAM_QUEUE, 4, TRAVIKEX_QUEUE_DROP_OLDEST, window.hwnd()), 1);
    ASSERT_EQ(WaitForSingleObject(ready, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(Grab(0).record.pixels);
    EXPECT_FALSE(window.Collect(WM_TRAVIKEX_FRAME, 500).empty());
    while (Grab(0).record.pixels) {
    }
    EXPECT_EQ(WaitForSingleObject(ready, 0), WAIT_TIMEOUT) << "nothing queued";
}

TEST_F(FrameStream, CallsRefuseWhatTheyCannotDoWithTheirCodes) {
    TravikExFrame frame = {sizeof(frame)};
    EXPECT_EQ(TravikEx_GrabFrame(handle, 0, &frame), -1);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_UNAVAILABLE}) << "no stream";
    TravikExStreamOptions small = {sizeof(small) - 1};
    EXPECT_EQ(TravikEx_StartStream(handle, &small), 0);
    TravikExStreamOptions badMode = {sizeof(badMode), 2};
    EXPECT_EQ(TravikEx_StartStream(handle, &badMode), 0);
    EXPECT_EQ(Start(TRAVIKEX_STREAM_QUEUE, TRAVIKEX_MAX_BUFFERS + 1), 0);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{ERR_PARAMETER, ERR_PARAMETER, ERR_PARAMETER}));
    ASSERT_EQ(Travik_StartPreview(handle), 1);
    EXPECT_EQ(TravikEx_StartStream(handle, nullptr), 0);
    EXPECT_EQ(TravikEx_StopStream(handle), 0);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{ERR_UNAVAILABLE, ERR_UNAVAILABLE}));
    ASSERT_EQ(Travik_StopPreview(handle), 1);
    ASSERT_EQ(TravikEx_StartStream(handle, nullptr), 1);
    EXPECT_EQ(TravikEx_StartStream(handle, nullptr), 1) << "the same stream again";
    EXPECT_EQ(Travik_StartPreview(handle), 0);
    std::vector<unsigned char> buffer(kWidth * kHeight);
    EXPECT_EQ(Travik_SnapShot(handle, buffer.data(), static_cast<int>(buffer.size()), 1), 0);
    Held held = Grab();
    TravikExFrame copy = held.record;
    copy.size = sizeof(copy) - 1;
    EXPECT_EQ(TravikEx_ReleaseFrame(handle, &copy), 0);
    copy = held.record;
    copy.ticket ^= 8;
    EXPECT_EQ(TravikEx_ReleaseFrame(handle, &copy), 0);
    EXPECT_EQ(TravikEx_GrabFrame(handle, 0, nullptr), -1);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{ERR_PARAMETER, ERR_PARAMETER, ERR_PARAMETER,
                                               ERR_UNAVAILABLE, ERR_UNAVAILABLE}));
}

} // namespace

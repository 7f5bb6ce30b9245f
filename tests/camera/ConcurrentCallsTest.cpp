// Random calls from several application threads on shared handles while another thread releases
// and re-creates them: every call returns, and the run ends without a hang.
#include "AcquisitionFixture.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <random>

namespace {

constexpr int kCallers = 4;
constexpr int kHandles = 2;
// Before the export lock, these calls stopped returning after about 80 to 150 calls.
constexpr long kCalls = 250;
constexpr DWORD kRunLimitMs = 40000;
// Far longer than any single call may take (a trigger grab waits at most 3 s).
constexpr DWORD kWatchdogMs = 30000;
constexpr size_t kBufferBytes = 1280u * 960u * 8u;

struct SharedRun {
    std::atomic<int> handles[kHandles] = {};
    std::atomic<bool> stop{false};
    std::atomic<long> calls{0};
    // Buffers handed to callback preview and trigger mode live until every handle is released.
    std::unique_ptr<unsigned char[]> buffers[kCallers];
};

// Answers messages sent to this thread's windows, as a GUI thread between calls would.
void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

void RandomCall(SharedRun& run, int caller, std::mt19937& random) {
    const int handle = run.handles[random() % kHandles].load();
    unsigned char* buffer = run.buffers[caller].get();
    const int length = static_cast<int>(kBufferBytes);
    static constexpr int kBits[] = {8, 16, 24, 32, 48, 64};
    switch (random() % 16) {
    case 0:
        Travik_StartPreview(handle);
        break;
    case 1:
        Travik_StopPreview(handle);
        break;
    case 2:
        Travik_CallBackPreview(handle, nullptr, buffer, length, random() % 2);
        break;
    case 3:
        Travik_Capture(handle);
        break;
    case 4:
        Travik_SnapShot(handle, buffer, length, 1);
        break;
    case 5:
        Travik_Trigger(handle, nullptr, buffer, length, 1);
        break;
    case 6: {
        const int width = 64 * (1 + random() % 20), height = 48 * (1 + random() % 20);
        Travik_SetCaptureWindowEx(handle, 1280, 0, width, 960, 0, height);
        break;
    }
    case 7:
        Travik_SetCaptureWindowEx(handle, 1280, 0, 1280, 960, 0, 960);
        break;
    case 8:
        Travik_SetDeviceNumber(handle, random() % 2);
        break;
    case 9:
        Travik_SetColorMode(handle, kBits[random() % 6]);
        break;
    case 10:
        Travik_SetMirrorH(handle, random() % 2);
        break;
    case 11:
        Travik_SetMirrorV(handle, random() % 2);
        break;
    case 12:
        Travik_GetImage(handle, buffer, length, 1);
        break;
    case 13:
        Travik_SetBrightness(handle, static_cast<int>(random() % 100));
        break;
    case 14:
        Travik_Close(handle);
        break;
    default:
        Travik_Preview(handle);
        break;
    }
}

DWORD WINAPI CallerMain(void* argument) {
    auto* run = static_cast<SharedRun*>(argument);
    static std::atomic<int> nextCaller{0};
    const int caller = nextCaller.fetch_add(1) % kCallers;
    std::mt19937 random(1234u + static_cast<unsigned>(caller));
    while (!run->stop.load()) {
        RandomCall(*run, caller, random);
        run->calls.fetch_add(1);
        PumpMessages();
    }
    return 0;
}

int OpenCamera() {
    const int handle = Travik_Initialize(nullptr);
    // No preview window: the callers have no message loop worth drawing for.
    if (handle) Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0);
    return handle;
}

DWORD WINAPI ReleaserMain(void* argument) {
    auto* run = static_cast<SharedRun*>(argument);
    int which = 0;
    while (!run->stop.load()) {
        Sleep(700);
        const int old = run->handles[which].exchange(OpenCamera());
        Travik_Release(old);
        which = (which + 1) % kHandles;
        PumpMessages();
    }
    return 0;
}

// Joins the threads or gives up at the deadline; false when one of them is still running.
bool JoinAll(const std::vector<HANDLE>& threads, DWORD deadlineMs) {
    const DWORD start = GetTickCount();
    for (HANDLE thread : threads) {
        const DWORD spent = GetTickCount() - start;
        const DWORD left = spent < deadlineMs ? deadlineMs - spent : 0;
        if (WaitForSingleObject(thread, left) != WAIT_OBJECT_0) return false;
    }
    return true;
}

class ConcurrentCallsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        travik_test::DeleteSdkRegistry();
        for (int device = 0; device < 2; ++device)
            ASSERT_TRUE(travik_emu::ResetDevice(device));
    }
    void TearDown() override {
        for (int device = 0; device < 2; ++device)
            travik_emu::ResetDevice(device);
        travik_test::DeleteSdkRegistry();
    }
};

TEST_F(ConcurrentCallsTest, RandomCallsOnSharedHandlesWhileTheyAreReleasedAllReturn) {
    SharedRun run;
    for (auto& buffer : run.buffers)
        buffer = std::make_unique<unsigned char[]>(kBufferBytes);
    for (auto& handle : run.handles) {
        handle = OpenCamera();
        ASSERT_NE(handle.load(), 0);
    }
    std::vector<HANDLE> threads;
    for (int i = 0; i < kCallers; ++i)
        threads.push_back(CreateThread(nullptr, 0, CallerMain, &run, 0, nullptr));
    threads.push_back(CreateThread(nullptr, 0, ReleaserMain, &run, 0, nullptr));
    for (HANDLE thread : threads)
        ASSERT_NE(thread, nullptr);

    const DWORD start = GetTickCount();
    while (run.calls.load() < kCalls && GetTickCount() - start < kRunLimitMs)
        Sleep(100);
    const long callsAtStop = run.calls.load();
    run.stop = true;
    if (!JoinAll(threads, kWatchdogMs)) {
        // A hung call would hang the whole run: report and end the process instead.
        std::fprintf(stderr,
                     "FAILED: calls stopped returning (%ld calls made, %ld when asked to stop)\n",
                     run.calls.load(), callsAtStop);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    for (HANDLE thread : threads)
        CloseHandle(thread);
    for (auto& handle : run.handles)
        EXPECT_EQ(Travik_Release(handle.exchange(0)), 1);
    std::printf("%ld calls in %lu ms\n", run.calls.load(), GetTickCount() - start);
}

} // namespace

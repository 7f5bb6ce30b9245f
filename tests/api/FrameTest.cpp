// The API frame through the DLL: handles, release, version, and silence on unknown handles.
#include "TravikSdk.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using travik_test::MessageWindow;

TEST(ApiFrame, VersionNeedsNoCamera) { EXPECT_EQ(Travik_GetDllVersion(), 0x01A7051F); }

TEST(ApiFrame, InitializeGivesAHandleWithAnEmptyErrorStack) {
    const int handle = Travik_Initialize(nullptr);
    ASSERT_NE(handle, 0);
    EXPECT_EQ(Travik_GetLastError(handle), 0);
    EXPECT_EQ(Travik_Release(handle), 1);
}

TEST(ApiFrame, ReleasedAndUnknownHandlesFailAndPostNothing) {
    MessageWindow window;
    const int handle = Travik_Initialize(window.hwnd());
    ASSERT_NE(handle, 0);
    ASSERT_EQ(Travik_Release(handle), 1);

    for (int unknown : {0, handle, 0x12345678, -1}) {
        SCOPED_TRACE(unknown);
        EXPECT_EQ(Travik_Release(unknown), 0);
        EXPECT_EQ(Travik_GetLastError(unknown), 0);
    }
    EXPECT_TRUE(window.Collect(WM_CAMERA_ERROR, 50).empty());
    EXPECT_TRUE(travik_test::CollectThreadMessages(WM_CAMERA_ERROR).empty());
}

TEST(ApiFrame, HandlesOfLiveCamerasAreDistinctAndEachReleasesOnce) {
    std::vector<int> handles;
    for (int i = 0; i < 6; ++i) handles.push_back(Travik_Initialize(nullptr));
    for (size_t i = 0; i < handles.size(); ++i)
        for (size_t j = i + 1; j < handles.size(); ++j) ASSERT_NE(handles[i], handles[j]);
    for (int handle : handles) EXPECT_EQ(Travik_Release(handle), 1);
    for (int handle : handles) EXPECT_EQ(Travik_Release(handle), 0);
}

// Every Initialize starts the sensor, so this runs few rounds; the registry's own stress test
// with thousands of rounds drives it without cameras.
TEST(ApiFrame, ConcurrentInitializeLookupReleaseLosesNothing) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 3;
    std::atomic<int> released{0}, failures{0};
    const auto before = travik_test::CountResources();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < kRounds; ++round) {
                const int handle = Travik_Initialize(nullptr);
                if (handle == 0) {
                    ++failures;
                    continue;
                }
                if (Travik_GetLastError(handle) != 0) ++failures;
                Travik_GetLastError(handle ^ 0x5A5A);
                released += Travik_Release(handle);
                if (Travik_Release(handle) != 0) ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(released.load(), kThreads * kRounds);
    EXPECT_LE(travik_test::CountResources().handles, before.handles + 2);
}

// Handle lifetimes on the registry layer: releases from inside an export, releases that wait for
// other threads, handle numbers that are never issued twice, and the owner records.
#include "api/SdkChain.h"
#include "camera/SharedMemoryBlock.h"
#include "camera/Travik.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

// A window of the calling thread that a camera's Close destroys, so that the test sees when the
// camera object is destroyed.
HWND MakeDestructionWitness() {
    return CreateWindowExA(0, "STATIC", "witness", 0, 0, 0, 1, 1, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

TEST(HandleLifetime, ReleaseInsideAnExportReturnsAndTheExportsLeaseDestroysTheCamera) {
    CSdkChain chain;
    const int handle = chain.CreateCamera();
    ASSERT_NE(handle, 0);
    const HWND witness = MakeDestructionWitness();
    ASSERT_NE(witness, nullptr);
    {
        CameraLease outer = chain.LeaseCamera(handle); // the export lower on the stack
        ASSERT_TRUE(outer);
        outer->m_previewWindow = witness;
        // A window procedure that this export's message loop runs releases the camera.
        EXPECT_EQ(chain.ReleaseCamera(handle), 1);
        EXPECT_FALSE(chain.LeaseCamera(handle));
        EXPECT_EQ(chain.ReleaseCamera(handle), 0);
        EXPECT_EQ(chain.Count(), 0);
        // The outer export finishes on a camera that is still whole.
        EXPECT_TRUE(IsWindow(witness));
        outer->ReportError(ERR_PARAMETER);
        EXPECT_EQ(outer->GetLastError(), ERR_PARAMETER);
    }
    EXPECT_FALSE(IsWindow(witness)); // closed and freed as the lease ended
}

TEST(HandleLifetime, NestedLeasesOfTheSameCameraDestroyItOnlyWithTheOutermost) {
    CSdkChain chain;
    const int handle = chain.CreateCamera();
    const HWND witness = MakeDestructionWitness();
    ASSERT_NE(witness, nullptr);
    {
        CameraLease outer = chain.LeaseCamera(handle);
        ASSERT_TRUE(outer);
        outer->m_previewWindow = witness;
        {
            CameraLease inner = chain.LeaseCamera(handle);
            ASSERT_TRUE(inner);
            EXPECT_EQ(chain.ReleaseCamera(handle), 1);
        }
        EXPECT_TRUE(IsWindow(witness));
    }
    EXPECT_FALSE(IsWindow(witness));
}

TEST(HandleLifetime, ReleaseWithoutExportsDestroysBeforeItReturns) {
    CSdkChain chain;
    const int handle = chain.CreateCamera();
    const HWND witness = MakeDestructionWitness();
    ASSERT_NE(witness, nullptr);
    if (CameraLease lease = chain.LeaseCamera(handle)) lease->m_previewWindow = witness;
    EXPECT_EQ(chain.ReleaseCamera(handle), 1);
    EXPECT_FALSE(IsWindow(witness));
}

// An export on another thread may send to a window of the releasing thread before it returns;
// the release waits for it and answers meanwhile instead of deadlocking.
TEST(HandleLifetime, ReleaseWaitingForAnotherThreadAnswersMessagesSentToIt) {
    CSdkChain chain;
    const int handle = chain.CreateCamera();
    const HWND witness = MakeDestructionWitness();
    ASSERT_NE(witness, nullptr);
    travik_test::MessageWindow window;
    HANDLE leased = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool sendAnswered = false;
    bool destroyedBeforeLeaseEnded = false;
    std::thread exportThread([&] {
        CameraLease lease = chain.LeaseCamera(handle);
        ASSERT_TRUE(lease);
        SetEvent(leased);
        // The release is waiting, or about to: it runs the only pump of the window's thread.
        DWORD_PTR result = 0;
        sendAnswered =
            SendMessageTimeoutA(window.hwnd(), WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result) != 0;
        destroyedBeforeLeaseEnded = !IsWindow(witness);
    });
    WaitForSingleObject(leased, INFINITE);
    if (CameraLease lease = chain.LeaseCamera(handle)) lease->m_previewWindow = witness;
    EXPECT_EQ(chain.ReleaseCamera(handle), 1);
    EXPECT_FALSE(IsWindow(witness)); // destroyed here, on the window's own thread
    exportThread.join();
    CloseHandle(leased);
    EXPECT_TRUE(sendAnswered);
    EXPECT_FALSE(destroyedBeforeLeaseEnded);
}

// Each fresh thread starts rand() from the same default seed, so threads that create cameras in
// the same millisecond compute the same sums: only the record of every number issued keeps a
// stale handle from naming a newer camera.
TEST(HandleLifetime, HandlesOfTenThousandCyclesOnFreshThreadsNeverRepeat) {
    CSdkChain chain;
    constexpr int kThreads = 1000;
    constexpr int kCyclesPerThread = 10;
    std::vector<int> handles;
    handles.reserve(kThreads * kCyclesPerThread);
    for (int t = 0; t < kThreads; ++t) {
        std::thread fresh([&] {
            for (int cycle = 0; cycle < kCyclesPerThread; ++cycle) {
                const int handle = chain.CreateCamera();
                handles.push_back(handle);
                EXPECT_EQ(chain.ReleaseCamera(handle), 1);
            }
        });
        fresh.join();
    }
    EXPECT_EQ(chain.Count(), 0);
    EXPECT_EQ(std::count(handles.begin(), handles.end(), 0), 0);
    std::vector<int> sorted = handles;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    for (int handle : handles) {
        EXPECT_TRUE(chain.WasIssued(handle));
        EXPECT_FALSE(chain.LeaseCamera(handle)); // released handles stay unknown
    }
}

// ---- Owner records ----

class OwnerRecords : public ::testing::Test {
  protected:
    static constexpr int kDevice = 31; // a device number no other test streams from

    void SetUp() override {
        for (CTravik* camera : {&first, &second}) {
            ASSERT_EQ(camera->m_sharedMemory.OpenOrCreateBlock(SharedMemoryBlock::kName,
                                                               SharedMemoryBlock::kSize),
                      1);
            ASSERT_NE(camera->m_sharedMemory.View(), nullptr);
            camera->m_appWindow = window.hwnd();
        }
        record = first.m_sharedMemory.Owner(kDevice);
        ASSERT_NE(record, nullptr);
        ASSERT_EQ(record->owner, 0u) << "device " << kDevice << " is held by someone else";
    }
    void TearDown() override {
        if (record) *record = OwnerRecord{};
    }

    travik_test::MessageWindow window;
    CTravik first, second; // two camera objects of one application and one window
    OwnerRecord* record = nullptr;
};

TEST_F(OwnerRecords, OnlyTheCameraThatClaimedTheRecordPassesIt) {
    ASSERT_EQ(first.ClaimOwner(kDevice), 1);
    EXPECT_FALSE(first.IsOwnedByOther(kDevice));
    EXPECT_TRUE(second.IsOwnedByOther(kDevice));
}

TEST_F(OwnerRecords, AnotherCameraOfTheApplicationCannotReleaseTheRecord) {
    ASSERT_EQ(first.ClaimOwner(kDevice), 1);
    EXPECT_EQ(second.ReleaseOwner(kDevice), 1);
    EXPECT_EQ(record->owner, reinterpret_cast<std::uintptr_t>(window.hwnd()));
    EXPECT_STREQ(record->name, "TravikSdk_380TZ4_RDX.dll");
    EXPECT_EQ(first.ReleaseOwner(kDevice), 1);
    EXPECT_EQ(record->owner, 0u);
    EXPECT_STREQ(record->name, "");
    // Released once, the record is no longer this camera's own either.
    EXPECT_FALSE(first.IsOwnedByOther(kDevice));
    record->owner = reinterpret_cast<std::uintptr_t>(window.hwnd());
    EXPECT_TRUE(first.IsOwnedByOther(kDevice));
}

TEST(SharedBlockSize, ABlockSmallerThanTheOwnerTableNeedsIsRefused) {
    const std::string name = "TravikTestSmallBlock" + std::to_string(GetCurrentProcessId());
    HANDLE small =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 0x10000, name.c_str());
    ASSERT_NE(small, nullptr);
    SharedMemoryBlock block;
    EXPECT_EQ(block.OpenOrCreateBlock(name.c_str(), SharedMemoryBlock::kSize), 1);
    EXPECT_EQ(block.View(), nullptr);
    EXPECT_EQ(block.Owner(0), nullptr);
    EXPECT_EQ(block.OpenBlock(name.c_str(), SharedMemoryBlock::kSize), 1);
    EXPECT_EQ(block.View(), nullptr);
    // The same name at its own size maps.
    EXPECT_EQ(block.OpenBlock(name.c_str(), 0x10000), 1);
    EXPECT_NE(block.View(), nullptr);
    block.CloseBlock();
    CloseHandle(small);
}

TEST(SharedBlockSize, ABlockOfTheRightSizeIsMappedWhole) {
    const std::string name = "TravikTestFullBlock" + std::to_string(GetCurrentProcessId());
    SharedMemoryBlock block;
    bool created = false;
    ASSERT_EQ(block.OpenOrCreateBlock(name.c_str(), SharedMemoryBlock::kSize, &created), 1);
    EXPECT_TRUE(created);
    ASSERT_NE(block.View(), nullptr);
    ASSERT_NE(block.Owner(32), nullptr);
    block.Owner(32)->flag = 0; // the last record lies inside the view
}

} // namespace

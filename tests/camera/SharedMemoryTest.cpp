// The shared memory block seen from two processes: the second opens it without clearing it, and
// of two that start on one device at the same instant exactly one gets it.
#include "CameraFixture.h"
#include "EmuControl.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kOwnerTable = 0x1F6500;
constexpr DWORD kRecordSize = 152;
constexpr DWORD kMarkerOffset = 0x100;
constexpr std::uint64_t kForeignOwner = 0x12345678;

// The block as another program maps it.
class BlockView {
  public:
    BlockView() {
        m_mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "OSTREL_USBCAMERA");
        if (m_mapping) m_view = static_cast<unsigned char*>(MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    }
    ~BlockView() {
        if (m_view) UnmapViewOfFile(m_view);
        if (m_mapping) CloseHandle(m_mapping);
    }
    unsigned char* data() const { return m_view; }
    std::uint64_t Owner(int device) const {
        std::uint64_t owner = 0;
        std::memcpy(&owner, m_view + kOwnerTable + kRecordSize * device, sizeof(owner));
        return owner;
    }

  private:
    HANDLE m_mapping = nullptr;
    unsigned char* m_view = nullptr;
};

int RunChild(const char* filter) {
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string command = std::string("\"") + program + "\" --gtest_also_run_disabled_tests --gtest_filter=" + filter;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

using SharedMemory = CameraTest;

TEST_F(SharedMemory, ASecondProcessOpensTheBlockWithoutClearingIt) {
    BlockView block;
    ASSERT_NE(block.data(), nullptr) << "the camera made the block";
    block.data()[kMarkerOffset] = 0xAB;
    std::memcpy(block.data() + kOwnerTable + kRecordSize * 3, &kForeignOwner, sizeof(kForeignOwner));

    EXPECT_EQ(RunChild("SharedMemoryChild.DISABLED_SeesTheFirstProcessRecords"), 0);

    EXPECT_EQ(block.data()[kMarkerOffset], 0xAB);
    EXPECT_EQ(block.Owner(3), kForeignOwner);
    std::memset(block.data() + kOwnerTable + kRecordSize * 3, 0, kRecordSize);
}

// Runs only in the child process started above.
TEST(SharedMemoryChild, DISABLED_SeesTheFirstProcessRecords) {
    const int handle = Travik_Initialize(nullptr);
    ASSERT_NE(handle, 0);
    EXPECT_EQ(Travik_GetLastError(handle), 0);
    BlockView block;
    ASSERT_NE(block.data(), nullptr);
    EXPECT_EQ(block.data()[kMarkerOffset], 0xAB);
    EXPECT_EQ(block.Owner(3), kForeignOwner);
    EXPECT_EQ(Travik_Release(handle), 1);
}

// ---- Two processes starting on one device at once ----

constexpr int kRaceRounds = 20;
constexpr char kRaceTag[] = "TRAVIK_OWNER_RACE";        // names the race's objects
constexpr char kRaceIndex[] = "TRAVIK_OWNER_RACE_SIDE"; // 0 or 1: the child's result column

// The named objects of one race: the children announce that they wait (ready), start together
// when the parent sets go, announce their result (done), and stop when the parent sets finish.
// Each child writes its start's outcome per round into the results block: 'W' started, 'L'
// refused with code 2, 'X' anything else.
struct RaceObjects {
    explicit RaceObjects(const std::string& tag)
        : go(CreateEventA(nullptr, TRUE, FALSE, (tag + "_go").c_str())),
          finish(CreateEventA(nullptr, TRUE, FALSE, (tag + "_finish").c_str())),
          ready(CreateSemaphoreA(nullptr, 0, 2, (tag + "_ready").c_str())),
          done(CreateSemaphoreA(nullptr, 0, 2, (tag + "_done").c_str())),
          mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                     2 * kRaceRounds, (tag + "_results").c_str())) {
        if (mapping)
            results = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    }
    ~RaceObjects() {
        if (results) UnmapViewOfFile(results);
        for (HANDLE h : {go, finish, ready, done, mapping})
            if (h) CloseHandle(h);
    }
    bool ok() const { return go && finish && ready && done && results; }
    HANDLE go, finish, ready, done, mapping;
    char* results = nullptr;
};

// Waits for `count` releases of a semaphore.
bool Acquire(HANDLE semaphore, int count) {
    for (int i = 0; i < count; ++i)
        if (WaitForSingleObject(semaphore, 60000) != WAIT_OBJECT_0) return false;
    return true;
}

HANDLE StartRaceChild(const std::string& tag, int side) {
    SetEnvironmentVariableA(kRaceTag, tag.c_str());
    SetEnvironmentVariableA(kRaceIndex, side ? "1" : "0");
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string command = std::string("\"") + program +
                          "\" --gtest_also_run_disabled_tests "
                          "--gtest_filter=OwnerRaceChild.DISABLED_StartsWhenReleased";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA(kRaceTag, nullptr);
    SetEnvironmentVariableA(kRaceIndex, nullptr);
    if (!started) return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// The children start in the clock the camera powers up with: a register read that loses its
// reply to the other process then reads as that clock too, and no start restarts the sensor
// (which would take a second and spread the two starts apart).
bool StoreClockOfCameraZero(DWORD clock) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Ostrel\\Travik380TZ4RDXSdk\\Camera_00", 0,
                        nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const bool stored =
        RegSetValueExA(key, "Clock", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&clock),
                       sizeof(clock)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return stored;
}

TEST(OwnerRace, OfTwoProcessesStartingTogetherExactlyOneGetsTheDevice) {
    travik_test::DeleteSdkRegistry();
    ASSERT_TRUE(StoreClockOfCameraZero(0));
    ASSERT_TRUE(travik_emu::ResetDevice(0));
    ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_AUTO)); // the winner streams gently
    // The block outlives the children, so that their records can be read after them.
    HANDLE table = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 0x4C0000,
                                      "OSTREL_USBCAMERA");
    ASSERT_NE(table, nullptr);
    const std::string tag = "TravikOwnerRace_" + std::to_string(GetCurrentProcessId());
    RaceObjects race(tag);
    ASSERT_TRUE(race.ok());
    HANDLE children[2] = {StartRaceChild(tag, 0), StartRaceChild(tag, 1)};
    bool running = children[0] && children[1];
    for (int round = 0; running && round < kRaceRounds; ++round) {
        running = Acquire(race.ready, 2);
        if (!running) break;
        ResetEvent(race.finish);
        SetEvent(race.go);
        running = Acquire(race.done, 2);
        ResetEvent(race.go);
        SetEvent(race.finish);
    }
    EXPECT_TRUE(running) << "a child stopped answering";
    for (HANDLE child : children) {
        if (!child) continue;
        if (WaitForSingleObject(child, 60000) != WAIT_OBJECT_0) TerminateProcess(child, 1);
        DWORD status = 1;
        GetExitCodeProcess(child, &status);
        EXPECT_EQ(status, 0u) << "a child's own checks failed";
        CloseHandle(child);
    }
    for (int round = 0; running && round < kRaceRounds; ++round) {
        std::string outcomes = {race.results[round], race.results[kRaceRounds + round]};
        std::sort(outcomes.begin(), outcomes.end());
        EXPECT_EQ(outcomes, "LW") << "round " << round;
    }
    {
        BlockView block;
        ASSERT_NE(block.data(), nullptr);
        EXPECT_EQ(block.Owner(0), 0u);
    }
    CloseHandle(table);
    travik_emu::ResetDevice(0);
    travik_test::DeleteSdkRegistry();
}

// Runs only in the children of the race above.
TEST(OwnerRaceChild, DISABLED_StartsWhenReleased) {
    const char* tag = std::getenv(kRaceTag);
    const char* side = std::getenv(kRaceIndex);
    ASSERT_TRUE(tag && side);
    RaceObjects race(tag);
    ASSERT_TRUE(race.ok());
    travik_test::MessageWindow window; // a window of its own: an owner of 0 would look free
    const int handle = Travik_Initialize(window.hwnd());
    ASSERT_NE(handle, 0);
    char* results = race.results + (side[0] == '1' ? kRaceRounds : 0);
    for (int round = 0; round < kRaceRounds; ++round) {
        ReleaseSemaphore(race.ready, 1, nullptr);
        ASSERT_EQ(WaitForSingleObject(race.go, 60000), WAIT_OBJECT_0);
        const bool started = Travik_StartPreview(handle) == 1;
        bool refusedAsOwned = false;
        for (int code = Travik_GetLastError(handle); code != 0; code = Travik_GetLastError(handle))
            refusedAsOwned = refusedAsOwned || code == ERR_DEVICE;
        results[round] = started ? 'W' : refusedAsOwned ? 'L' : 'X';
        ReleaseSemaphore(race.done, 1, nullptr);
        ASSERT_EQ(WaitForSingleObject(race.finish, 60000), WAIT_OBJECT_0);
        if (started) EXPECT_EQ(Travik_StopPreview(handle), 1);
    }
    EXPECT_EQ(Travik_Release(handle), 1);
}

} // namespace

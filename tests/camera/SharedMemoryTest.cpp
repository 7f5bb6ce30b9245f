// The shared memory block seen from two processes: the second opens it without clearing it.
#include "CameraFixture.h"

#include <cstdint>
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

} // namespace

// Camera initialisation: the named memory block that processes share to see who streams from which device.
#pragma once

#include <windows.h>

#include <cstdint>

#include "device/UniqueHandle.h"

// One record per device number in the block's owner table.
struct OwnerRecord {
    std::uint64_t owner;  // window of the streaming application; 0 = free
    std::uint64_t module; // module handle of that application's executable
    std::uint64_t flag;   // written as 0; anything else keeps the record from being released
    char name[128];       // the library that claimed it, or empty
};
static_assert(sizeof(OwnerRecord) == 152, "owner records are 152 bytes");

class SharedMemoryBlock {
  public:
    static constexpr char kName[] = "OSTREL_USBCAMERA";
    // The mutex that makes a look at an owner record and the claim or release that follows it
    // one step between processes. Libraries that predate it write the records without it, no
    // worse off than before it existed.
    static constexpr char kOwnerMutexName[] = "OSTREL_USBCAMERA_OWNERS";
    static constexpr DWORD kSize = 0x4C0000;
    static constexpr DWORD kOwnerTableOffset = 0x1F6500;
    static constexpr int kOwnerRecords = 33; // device numbers 0..32

    SharedMemoryBlock() = default;
    ~SharedMemoryBlock() { CloseBlock(); }
    SharedMemoryBlock(const SharedMemoryBlock&) = delete;
    SharedMemoryBlock& operator=(const SharedMemoryBlock&) = delete;

    // Maps an existing block; 0 when it does not exist. A block smaller than `size` (made by
    // something else under our name) is refused like a view that cannot be mapped: 1 with no
    // view, since the owner table would lie outside it.
    int OpenBlock(const char* name, DWORD size);
    // Maps the block, creating it backed by the paging file when it does not exist; 0 only when
    // it can be neither opened nor created. `created` tells which happened. A block of the wrong
    // size leaves no view, as OpenBlock.
    int OpenOrCreateBlock(const char* name, DWORD size, bool* created = nullptr);
    void CloseBlock();

    unsigned char* View() const { return m_view; }
    // The owner record of a device number, or null without a view or outside the table.
    OwnerRecord* Owner(int deviceNumber) const;

    // Holds the owner mutex for its lifetime. A holder stores a few fields and lets go, so a
    // wait that runs out means a process hung while holding it: the table is then used as
    // libraries without the mutex use it. A holder that died leaves the mutex to the next one.
    class OwnerTableLock {
      public:
        explicit OwnerTableLock(const SharedMemoryBlock& block);
        ~OwnerTableLock();
        OwnerTableLock(const OwnerTableLock&) = delete;
        OwnerTableLock& operator=(const OwnerTableLock&) = delete;

      private:
        HANDLE m_held = nullptr;
    };

  private:
    static constexpr DWORD kOwnerMutexWaitMs = 5000;
    // Maps the whole mapping; keeps the view only when it spans at least `size` bytes.
    void MapView(DWORD size);
    // Opens (or makes) the owner mutex once a view exists; without it the table is used unlocked.
    void OpenOwnerMutex();

    UniqueHandle m_mapping;
    unsigned char* m_view = nullptr;
    UniqueHandle m_ownerMutex;
};

// Camera initialisation: opening, creating and closing the shared memory block.
#include "camera/SharedMemoryBlock.h"

int SharedMemoryBlock::OpenBlock(const char* name, DWORD size) {
    CloseBlock();
    m_mapping.reset(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name));
    if (!m_mapping) return 0;
    MapView(size);
    return 1;
}

void SharedMemoryBlock::MapView(DWORD size) {
    m_view = static_cast<unsigned char*>(MapViewOfFile(m_mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!m_view) return;
    // A view spans its whole mapping, rounded up to pages, as one region.
    MEMORY_BASIC_INFORMATION region = {};
    if (VirtualQuery(m_view, &region, sizeof(region)) == sizeof(region) &&
        region.RegionSize >= size) {
        OpenOwnerMutex();
        return;
    }
    UnmapViewOfFile(m_view);
    m_view = nullptr;
}

void SharedMemoryBlock::OpenOwnerMutex() {
    if (!m_ownerMutex) m_ownerMutex.reset(CreateMutexA(nullptr, FALSE, kOwnerMutexName));
}

SharedMemoryBlock::OwnerTableLock::OwnerTableLock(const SharedMemoryBlock& block) {
    HANDLE mutex = block.m_ownerMutex.get();
    if (!mutex) return;
    const DWORD waited = WaitForSingleObject(mutex, kOwnerMutexWaitMs);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) m_held = mutex;
}

SharedMemoryBlock::OwnerTableLock::~OwnerTableLock() {
    if (m_held) ReleaseMutex(m_held);
}

int SharedMemoryBlock::OpenOrCreateBlock(const char* name, DWORD size, bool* created) {
    if (created) *created = false;
    if (OpenBlock(name, size)) return 1;
    m_mapping.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name));
    if (!m_mapping) return 0;
    // Another process may have made it between our open and our create.
    if (created) *created = GetLastError() != ERROR_ALREADY_EXISTS;
    MapView(size);
    return 1;
}

void SharedMemoryBlock::CloseBlock() {
    if (m_view) UnmapViewOfFile(m_view);
    m_view = nullptr;
    m_mapping.reset();
    m_ownerMutex.reset();
}

OwnerRecord* SharedMemoryBlock::Owner(int deviceNumber) const {
    if (!m_view || deviceNumber < 0 || deviceNumber >= kOwnerRecords) return nullptr;
    return reinterpret_cast<OwnerRecord*>(m_view + kOwnerTableOffset +
                                          sizeof(OwnerRecord) * static_cast<size_t>(deviceNumber));
}

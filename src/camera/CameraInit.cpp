// Camera initialisation: bringing a camera object up, closing it, and the owner table.
#include "camera/SettingsBlocks.h"
#include "camera/Travik.h"
#include "imaging/ImageBuffer.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <cstring>
#include <new>

using namespace settings;

namespace {
constexpr char kLibraryName[] = "TravikSdk_380TZ4_RDX.dll";

// Other processes read the record without a lock: the owner field is stored in one piece, with
// every store before it made visible first.
void StoreOwner(OwnerRecord& record, std::uint64_t owner) {
    InterlockedExchange64(reinterpret_cast<volatile LONG64*>(&record.owner),
                          static_cast<LONG64>(owner));
}
} // namespace

int CTravik::Initialize(HWND window) {
    bool created = false;
    if (m_sharedMemory.OpenOrCreateBlock(SharedMemoryBlock::kName, SharedMemoryBlock::kSize,
                                         &created) &&
        created && m_sharedMemory.View())
        std::memset(m_sharedMemory.View(), 0, 0x8000);
    // The window is not stored yet, so this failure is only on the stack.
    if (!m_sharedMemory.View()) return ReportError(ERR_MEMORY), 0;

    m_device = new (std::nothrow) CTravik380TZ4RDXSdk();
    for (ImageBuffer** image : m_images.All()) *image = new (std::nothrow) ImageBuffer();
    m_appWindow = window;
    for (ImageBuffer** image : m_images.All())
        if (!*image) return ReportError(ERR_MEMORY), 0;
    if (!m_device) return ReportError(ERR_MEMORY), 0;

    LoadSizePreset();
    m_device->StartSensor();
    if (!IsCaptureWindowValid()) {
        ReportError(ERR_GEOMETRY);
        ResetCaptureWindow();
    }
    ApplyCaptureWindow();
    m_previewRect[0] = m_previewRect[1] = 0;
    m_previewRect[2] = m_EH;
    m_previewRect[3] = m_EV;

    LoadImageFilter();
    LoadGrayFilter();
    LoadCameraSettings();
    ApplySensorSettings();
    LoadFormat();
    return 1;
}

void CTravik::ApplySensorSettings() {
    m_device->SetGain(m_cameraSettings[kGlobalGain] & 0xFFFF);
    m_device->SetExposure(m_cameraSettings[kExposure] & 0xFFFF);
    m_device->SetVerticalMirror(m_cameraSettings[kMirrorV] != 0);
    m_device->SetHorizontalMirror(m_cameraSettings[kMirrorH] != 0);
}

int CTravik::Close() {
    // Acquisition stops first, with or without a device object: the worker draws into the
    // window and its DC until it has ended.
    m_acquisition.Stop();
    DestroyPreviewWindow();
    m_imageReady = 0;
    if (m_device) m_device->CloseGrabHandle();
    return 1;
}

void CTravik::RunReleaseSteps() {
    if (m_device) {
        SaveCameraSettings();
        SaveImageFilter();
        SaveGrayFilter();
    }
    Close();
    // The record this object claimed, even when another device number was selected since.
    if (m_device && m_claimedDevice >= 0) ReleaseOwner(m_claimedDevice);
}

void CTravik::FreeOwnedObjects() {
    delete m_device;
    m_device = nullptr;
    for (ImageBuffer** image : m_images.All()) {
        delete *image;
        *image = nullptr;
    }
}

bool CTravik::IsOwnRecord(int deviceNumber) const {
    const OwnerRecord* record = m_sharedMemory.Owner(deviceNumber);
    return record && deviceNumber == m_claimedDevice &&
           record->owner == reinterpret_cast<std::uintptr_t>(m_appWindow) &&
           record->module == reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
}

bool CTravik::IsOwnedByOther(int deviceNumber) const {
    const OwnerRecord* record = m_sharedMemory.Owner(deviceNumber);
    return record && record->owner != 0 && !IsOwnRecord(deviceNumber);
}

// The check and the claim are one step under the owner mutex: of two applications that start on
// one device at once, exactly one finds it free. The owner is stored last, so a reader that takes
// no lock never sees an owner beside another application's module or name.
int CTravik::ClaimOwner(int deviceNumber) {
    OwnerRecord* record = m_sharedMemory.Owner(deviceNumber);
    if (!record) return 0;
    const SharedMemoryBlock::OwnerTableLock lock(m_sharedMemory);
    if (IsOwnedByOther(deviceNumber)) return 0;
    record->module = reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
    record->flag = 0;
    std::memset(record->name, 0, sizeof(record->name));
    std::memcpy(record->name, kLibraryName, sizeof(kLibraryName));
    StoreOwner(*record, reinterpret_cast<std::uintptr_t>(m_appWindow));
    m_claimedDevice = deviceNumber;
    return 1;
}

// Another camera object of this application carries the same window and executable: only the
// record this object claimed is cleared, never one that merely looks like it. The owner goes
// first, so the record reads as free before the rest of it is emptied.
int CTravik::ReleaseOwner(int deviceNumber) {
    OwnerRecord* record = m_sharedMemory.Owner(deviceNumber);
    if (!record) return 0;
    {
        const SharedMemoryBlock::OwnerTableLock lock(m_sharedMemory);
        if (IsOwnRecord(deviceNumber) && record->flag == 0) {
            StoreOwner(*record, 0);
            record->module = 0;
            record->flag = 0;
            record->name[0] = '\0';
        }
    }
    if (deviceNumber == m_claimedDevice) m_claimedDevice = -1;
    return 1;
}

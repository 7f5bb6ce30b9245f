// Camera object: construction, destruction, the export lock and error reporting.
#include "camera/Travik.h"
#include "imaging/pipeline/FrameStrips.h"

#include <mmsystem.h>

CTravik::CTravik() {
    InitializeCriticalSection(&m_imageLock);
    InitializeCriticalSection(&m_configLock);
    m_rateStart = static_cast<int>(timeGetTime());
    m_controlLock.reset(CreateMutexA(nullptr, FALSE, nullptr));
}

CTravik::~CTravik() {
    RunReleaseSteps();
    FreeOwnedObjects();
    DeleteCriticalSection(&m_configLock);
    DeleteCriticalSection(&m_imageLock);
    m_sharedMemory.CloseBlock();
}

CTravik::ExportScope::ExportScope(CTravik& camera) : m_camera(camera) {
    HANDLE lock = camera.m_controlLock.get();
    // Messages sent to this thread's windows are answered while it waits: the holder may be
    // creating or destroying a window whose parent belongs to this thread.
    for (;;) {
        const DWORD wait = MsgWaitForMultipleObjects(1, &lock, FALSE, INFINITE, QS_SENDMESSAGE);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED_0 || wait == WAIT_FAILED) break;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

CTravik::ExportScope::~ExportScope() {
    ReleaseMutex(m_camera.m_controlLock.get());
}

void CTravik::ReportError(int code) {
    PushError(code);
    if (m_appWindow) PostMessageA(m_appWindow, WM_CAMERA_ERROR, 0, code);
}

void CTravik::PostError(int code) { PostMessageA(m_appWindow, WM_CAMERA_ERROR, 0, code); }

// Camera object: construction, destruction and error reporting.
#include "camera/Travik.h"
#include "imaging/pipeline/FrameStrips.h"

#include <mmsystem.h>

CTravik::CTravik() {
    InitializeCriticalSection(&m_imageLock);
    InitializeCriticalSection(&m_configLock);
    m_rateStart = static_cast<int>(timeGetTime());
    m_controlLock.reset(CreateMutexA(nullptr, FALSE, nullptr));
    m_stopEvent.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

CTravik::~CTravik() {
    RunReleaseSteps();
    FreeOwnedObjects();
    DeleteCriticalSection(&m_configLock);
    DeleteCriticalSection(&m_imageLock);
    m_sharedMemory.CloseBlock();
}

void CTravik::ReportError(int code) {
    PushError(code);
    if (m_appWindow) PostMessageA(m_appWindow, WM_CAMERA_ERROR, 0, code);
}

void CTravik::PostError(int code) { PostMessageA(m_appWindow, WM_CAMERA_ERROR, 0, code); }

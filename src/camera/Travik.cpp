// Camera object: construction, destruction, the export lock and error reporting.
#include "camera/Travik.h"
#include "imaging/pipeline/FrameStrips.h"
#include "support/MessageWait.h"

#include <mmsystem.h>

CTravik::CTravik() {
    m_rateStart = static_cast<int>(timeGetTime());
    m_controlLock.reset(CreateMutexA(nullptr, FALSE, nullptr));
}

CTravik::~CTravik() {
    {
        // A worker that waits for its lost camera works on the camera under the export lock.
        ExportScope scope(*this);
        RunReleaseSteps();
    }
    FreeOwnedObjects();
    m_sharedMemory.CloseBlock();
}

CTravik::ExportScope::ExportScope(CTravik& camera) : m_camera(camera) {
    // Messages sent to this thread's windows are answered while it waits: the holder may be
    // creating or destroying a window whose parent belongs to this thread.
    WaitAnsweringSentMessages(camera.m_controlLock.get());
}

CTravik::ExportScope::~ExportScope() {
    ReleaseMutex(m_camera.m_controlLock.get());
}

void CTravik::ReportError(int code) {
    PushError(code);
    if (m_appWindow) PostMessageA(m_appWindow, WM_CAMERA_ERROR, 0, code);
}

void CTravik::PostError(int code) { PostMessageA(m_appWindow, WM_CAMERA_ERROR, 0, code); }

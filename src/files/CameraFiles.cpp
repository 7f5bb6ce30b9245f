// Image files and recording: the camera object's still-image saves and AVI recordings.
#include "camera/ImageLock.h"
#include "camera/Travik.h"
#include "files/ImageFile.h"
#include "imaging/ImageBuffer.h"

#include <cwchar>

namespace {

// 16-bit samples of the camera's images carry 10 significant bits.
constexpr int kSampleDepth = 10;

// The ANSI name must name the file the caller meant. A character the code page lacks comes out
// as '?' (no file) or as a look-alike by best fit (another file, which would be overwritten), so
// the name must convert back to exactly the wide one.
bool WideToAnsiExactly(const wchar_t* wide, char (&narrow)[1024]) {
    if (!WidePathToAnsi(wide, narrow)) return false;
    wchar_t back[1024];
    const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, narrow, -1, back, 1024);
    return length > 0 && std::wcscmp(back, wide) == 0;
}

} // namespace

int CTravik::SaveImage(const char* path, int fileType) {
    if (!m_device || !m_imageReady) return ReportError(ERR_UNAVAILABLE), 0;
    ImageLock lock(m_imageLock);
    const ImageBuffer* image = OutputImage();
    if (!image) return ReportError(ERR_UNAVAILABLE), 0;
    // A failed write reports nothing: the result says it.
    return WriteImageFile(path, image, fileType, kSampleDepth);
}

int CTravik::SaveImageW(const wchar_t* path, int fileType) {
    // This entry writes whatever the output buffer holds, even before the first image.
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    ImageLock lock(m_imageLock);
    const ImageBuffer* image = OutputImage();
    if (!image) return ReportError(ERR_UNAVAILABLE), 0;
    char narrow[1024];
    if (!WideToAnsiExactly(path, narrow)) return ReportError(ERR_UNAVAILABLE), 0;
    return WriteImageFile(narrow, image, fileType, kSampleDepth);
}

int CTravik::Record(const char* path, int timeMs, int showWindow) {
    if (!path || !*path) return ReportError(ERR_PARAMETER), 0;
    // A second recording would share the writer with the first and corrupt both files; the
    // first goes on untouched.
    if (m_recordRunFlag.load()) return ReportError(ERR_UNAVAILABLE), 0;
    {
        // A recording runs without notices or a caller buffer; the worker reads them under
        // the image lock.
        ImageLock lock(m_imageLock);
        m_notifyWindow = nullptr;
        m_userBuffer = nullptr;
        m_userLength = 0;
        m_rowOrder = 0;
    }
    if (showWindow && WantsPreviewWindow() && !m_previewWindow && !OpenPreviewWindow()) return 0;
    // An already running preview counts as started.
    if (!StartPreview()) {
        Close();
        return ReportError(ERR_FILE), 0;
    }
    // Closes the handles of a recording that ended by its time.
    StopRecordingThread();
    const AviRecorder::OpenResult opened =
        m_avi.Open(path, timeMs, m_imageLock, [this] { return OutputImage(); });
    if (opened != AviRecorder::OpenResult::kOpened) {
        Close();
        return ReportError(ERR_FILE), 0;
    }
    // The state is complete before the thread exists, so it sees the run flag from its first
    // round.
    m_newFrame = 0;
    m_recordRunFlag = 1;
    if (!StartRecordingThread()) {
        m_recordRunFlag = 0;
        m_avi.Abandon();
        Close();
        return ReportError(ERR_THREAD), 0;
    }
    return 1;
}

int CTravik::RecordW(const wchar_t* path, int timeMs, int showWindow) {
    char narrow[1024];
    if (!WideToAnsiExactly(path, narrow)) return ReportError(ERR_FILE), 0;
    return Record(narrow, timeMs, showWindow);
}

DWORD WINAPI CTravik::RecorderMain(void* camera) {
    auto* self = static_cast<CTravik*>(camera);
    self->m_avi.Run(self->m_recordRunFlag, self->m_newFrame);
    SetEvent(self->m_recordDone.get());
    return 0;
}

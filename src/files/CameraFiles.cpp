// Image files and recording: the camera object's still-image saves and AVI recordings.
#include "camera/ImageLock.h"
#include "camera/Travik.h"
#include "files/ImageFile.h"
#include "imaging/ImageBuffer.h"

namespace {

// 16-bit samples of the camera's images carry 10 significant bits.
constexpr int kSampleDepth = 10;

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
    // The file is opened by its wide name: no code page stands between the caller and the file.
    if (!path) return ReportError(ERR_UNAVAILABLE), 0;
    return WriteImageFile(FilePath(path), image, fileType, kSampleDepth);
}

int CTravik::Record(const char* path, int timeMs, int showWindow) {
    if (!path || !*path) return ReportError(ERR_PARAMETER), 0;
    return StartRecording(FilePath(path), timeMs, showWindow);
}

int CTravik::RecordW(const wchar_t* path, int timeMs, int showWindow) {
    // A missing wide path is a name that cannot be used (12); an empty one is no name (9).
    if (!path) return ReportError(ERR_FILE), 0;
    if (!*path) return ReportError(ERR_PARAMETER), 0;
    return StartRecording(FilePath(path), timeMs, showWindow);
}

int CTravik::StartRecording(const FilePath& path, int timeMs, int showWindow) {
    // A second recording would share the writer with the first and corrupt both files; the
    // first goes on untouched.
    if (m_acquisition.IsRecording()) return ReportError(ERR_UNAVAILABLE), 0;
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
    m_acquisition.StopRecorder();
    const AviRecorder::OpenResult opened =
        m_avi.Open(path, timeMs, m_imageLock, [this] { return OutputImage(); });
    // No room for the frames' queue is a recording that could not start, as a file that cannot
    // be created is.
    if (opened != AviRecorder::OpenResult::kOpened) {
        Close();
        return ReportError(ERR_FILE), 0;
    }
    if (!m_acquisition.StartRecorder([this] { RunRecorder(); })) {
        m_avi.Abandon();
        Close();
        return ReportError(ERR_THREAD), 0;
    }
    return 1;
}

void CTravik::RunRecorder() {
    const AviRecorder::End end =
        m_avi.Run(m_acquisition.RecordRunFlag(), &m_acquisition.RunFlagWord());
    // The file is finished by now; the application learns why a recording ended before its time
    // unless it ended it itself.
    const int code = RecordingEndCode(end);
    if (code != 0) ReportError(code);
}

int CTravik::RecordingEndCode(AviRecorder::End end) const {
    if (!m_avi.FileFinished()) return ERR_FILE;
    switch (end) {
    case AviRecorder::End::kWriteFailed:
        return ERR_FILE;
    case AviRecorder::End::kImageChanged:
        return ERR_GEOMETRY;
    case AviRecorder::End::kAcquisitionEnded:
        // A stop ends the recording first, so acquisition ends under it only when the worker
        // stopped by itself: the camera was lost, which is told once, by the worker, unless it
        // has not been yet.
        return m_deviceLost.load() ? 0 : ERR_DEVICE_LOST;
    case AviRecorder::End::kTime:
    case AviRecorder::End::kStopped:
        return 0;
    }
    return 0;
}

// Image files and recording: the camera object's still-image saves.
#include "camera/Travik.h"
#include "files/ImageFile.h"
#include "imaging/ImageBuffer.h"

namespace {

// 16-bit samples of the camera's images carry 10 significant bits.
constexpr int kSampleDepth = 10;

} // namespace

int CTravik::SaveImage(const char* path, int fileType) {
    if (!m_device || !m_imageReady) return ReportError(ERR_UNAVAILABLE), 0;
    LockGuard lock(m_imageLock);
    const ImageBuffer* image = OutputImage();
    if (!image) return ReportError(ERR_UNAVAILABLE), 0;
    // A failed write reports nothing: the result says it.
    return WriteImageFile(path, image, fileType, kSampleDepth);
}

int CTravik::SaveImageW(const wchar_t* path, int fileType) {
    // This entry writes whatever the output buffer holds, even before the first image.
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    LockGuard lock(m_imageLock);
    const ImageBuffer* image = OutputImage();
    if (!image) return ReportError(ERR_UNAVAILABLE), 0;
    // The file is opened by its wide name: no code page stands between the caller and the file.
    if (!path) return ReportError(ERR_UNAVAILABLE), 0;
    return WriteImageFile(FilePath(path), image, fileType, kSampleDepth);
}

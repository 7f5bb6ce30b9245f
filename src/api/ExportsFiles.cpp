// Exports of still-image files and AVI recording, and the recording extensions.
#include "api/ExportFrame.h"

TRAVIK_EXPORT Travik_SaveImage(int handle, const char* path, int fileType) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.SaveImage(path, fileType); });
}

TRAVIK_EXPORT Travik_SaveImageW(int handle, const wchar_t* path, int fileType) {
    return CallCamera(handle, 0,
                      [&](CTravik& camera) { return camera.SaveImageW(path, fileType); });
}

TRAVIK_EXPORT Travik_Record(int handle, const char* path, int time, int showWindow) {
    return CallCamera(handle, 0,
                      [&](CTravik& camera) { return camera.Record(path, time, showWindow); });
}

TRAVIK_EXPORT Travik_RecordW(int handle, const wchar_t* path, int time, int showWindow) {
    return CallCamera(handle, 0,
                      [&](CTravik& camera) { return camera.RecordW(path, time, showWindow); });
}

// ---- Extensions ----

TRAVIK_EXPORT TravikEx_RecordA(int handle, const char* path, int time, int showWindow,
                               const TravikExRecordOptions* options) {
    return CallCamera(handle, 0, [&](CTravik& camera) {
        return camera.RecordExA(path, time, showWindow, options);
    });
}

TRAVIK_EXPORT TravikEx_RecordW(int handle, const wchar_t* path, int time, int showWindow,
                               const TravikExRecordOptions* options) {
    return CallCamera(handle, 0, [&](CTravik& camera) {
        return camera.RecordExW(path, time, showWindow, options);
    });
}

TRAVIK_EXPORT TravikEx_MarkRecording(int handle) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.MarkRecording(); });
}

TRAVIK_EXPORT TravikEx_GetRecordingStatus(int handle, TravikExRecordingStatus* status) {
    return CallCamera(handle, 0,
                      [&](CTravik& camera) { return camera.GetRecordingStatus(status); });
}

// Exports of still-image files and AVI recording.
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

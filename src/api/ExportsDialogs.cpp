// Exports of the settings dialogs: format, image filter and analog gain.
#include "api/ExportFrame.h"

TRAVIK_EXPORT Travik_SetCameraDlg(int handle, HWND parentWindow) {
    return CallCameraUnserialised(handle, 0, [&](CTravik& camera) { return camera.SetCameraDlg(parentWindow); });
}

TRAVIK_EXPORT Travik_SetImageDlg(int handle, HWND parentWindow) {
    return CallCameraUnserialised(handle, 0, [&](CTravik& camera) { return camera.SetImageDlg(parentWindow); });
}

TRAVIK_EXPORT Travik_SetAnalogDlg(int handle, HWND parentWindow) {
    return CallCameraUnserialised(handle, 0, [&](CTravik& camera) { return camera.SetAnalogDlg(parentWindow); });
}

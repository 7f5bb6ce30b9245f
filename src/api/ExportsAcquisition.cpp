// Exports of acquisition and the preview window: preview, capture, snapshot, trigger, read-out.
#include "api/ExportFrame.h"

TRAVIK_EXPORT Travik_StartPreview(int handle) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.StartPreview(); });
}

TRAVIK_EXPORT Travik_StopPreview(int handle) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.StopPreview(); });
}

TRAVIK_EXPORT Travik_Preview(int handle) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.Preview(); });
}

TRAVIK_EXPORT Travik_CallBackPreview(int handle, HWND window, unsigned char* buffer, int length,
                                     int rowOrder) {
    return CallCamera(handle, 0, [&](CTravik& camera) {
        return camera.CallBackPreview(window, buffer, length, rowOrder);
    });
}

TRAVIK_EXPORT Travik_Capture(int handle) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.Capture(); });
}

TRAVIK_EXPORT Travik_SnapShot(int handle, unsigned char* buffer, int length, int rowOrder) {
    return CallCamera(handle, 0,
                      [&](CTravik& camera) { return camera.SnapShot(buffer, length, rowOrder); });
}

TRAVIK_EXPORT Travik_Trigger(int handle, HWND window, unsigned char* buffer, int length,
                             int rowOrder) {
    return CallCamera(handle, 0, [&](CTravik& camera) {
        return camera.Trigger(window, buffer, length, rowOrder);
    });
}

TRAVIK_EXPORT Travik_GetImage(int handle, unsigned char* buffer, int length, int rowOrder) {
    return CallCamera(handle, 0,
                      [&](CTravik& camera) { return camera.GetImage(buffer, length, rowOrder); });
}

TRAVIK_EXPORT Travik_SetPreviewWindow(int handle, HWND parent, int x, int y, int width,
                                      int height) {
    return CallCamera(handle, 0, [&](CTravik& camera) {
        return camera.SetPreviewWindow(parent, x, y, width, height);
    });
}

// Exports of the camera object's devices: enumeration, names, information, selection, close.
#include "api/ExportFrame.h"

TRAVIK_EXPORT Travik_EnumDevice(int handle, char* buffer) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.EnumDevice(buffer); });
}

TRAVIK_EXPORT Travik_EnumDeviceW(int handle, wchar_t* buffer) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.EnumDeviceW(buffer); });
}

TRAVIK_EXPORT Travik_GetDeviceName(int handle, int device, char* buffer, int length) {
    return CallCamera(handle, 0,
                      [&](CTravik& camera) { return camera.GetDeviceName(device, buffer, length); });
}

TRAVIK_EXPORT Travik_GetDeviceNameW(int handle, int device, wchar_t* buffer, int length) {
    return CallCamera(handle, 0,
                      [&](CTravik& camera) { return camera.GetDeviceNameW(device, buffer, length); });
}

TRAVIK_EXPORT Travik_SetDeviceNumber(int handle, int device) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.SetDeviceNumber(device); });
}

TRAVIK_EXPORT Travik_GetCameraInfo(int handle, CameraInfo* info) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.GetCameraInfo(info); });
}

TRAVIK_EXPORT Travik_Close(int handle) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.Close(); });
}

// Device access layer: device paths and the single choke point for driver requests.
#include "device/DriverInterface.h"

#include <cstring>

namespace driver {

bool FormatDevicePath(char (&path)[kDevicePathBytes], const char* deviceName, int number) {
    path[0] = '\0';
    if (deviceName == nullptr || number < 0 || number >= kDeviceSuffixCount) return false;
    const std::size_t nameLength = std::strlen(deviceName);
    // "\\.\" + name + "-" + suffix + terminator
    if (4 + nameLength + 2 + 1 > kDevicePathBytes) return false;
    char* out = path;
    std::memcpy(out, "\\\\.\\", 4);
    out += 4;
    std::memcpy(out, deviceName, nameLength);
    out += nameLength;
    *out++ = '-';
    *out++ = kDeviceSuffixes[number];
    *out = '\0';
    return true;
}

UniqueHandle OpenDevice(const char* path) {
    if (path == nullptr || path[0] == '\0') return UniqueHandle();
    return UniqueHandle(
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
}

Outcome CallDriver(HANDLE device, DWORD code, const void* input, DWORD inputBytes, void* output,
                   DWORD outputBytes, DWORD* bytesReturned) {
    DWORD returned = 0;
    if (bytesReturned) *bytesReturned = 0;
    if (device == nullptr || device == INVALID_HANDLE_VALUE) return Outcome::Failed;
    const BOOL ok = DeviceIoControl(device, code, const_cast<void*>(input), inputBytes, output,
                                    outputBytes, &returned, nullptr);
    if (bytesReturned) *bytesReturned = returned;
    if (!ok) return Outcome::Failed;
    if (returned == outputBytes) return Outcome::Complete;
    // A driver that claims more than the buffer holds is broken; trust nothing it wrote.
    return returned < outputBytes ? Outcome::Short : Outcome::Failed;
}

Outcome TransferOnPipe(HANDLE device, DWORD code, ULONG pipe, void* buffer, DWORD bytes,
                       DWORD* bytesReturned) {
    return CallDriver(device, code, &pipe, sizeof(pipe), buffer, bytes, bytesReturned);
}

bool SetDriverTimeout(HANDLE device, DWORD milliseconds) {
    DWORD request[kTimeoutRequestBytes / sizeof(DWORD)] = {};
    request[0] = 1;
    request[1] = milliseconds;
    return CallDriver(device, IOCTL_CAM_SET_TIMEOUT, request, sizeof(request), nullptr, 0) ==
           Outcome::Complete;
}

} // namespace driver

// Device access layer: the camera driver's device path, its three control requests and pipes.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <cstddef>

#include "support/UniqueHandle.h"

namespace driver {

// Pipe transfers take the pipe index as their 4-byte input and move the caller's buffer.
constexpr DWORD IOCTL_CAM_PIPE_OUT_DIRECT = 0x22204E;
constexpr DWORD IOCTL_CAM_PIPE_IN_DIRECT = 0x222051;
// Takes the words 1 and the time-out in milliseconds, then 36 zero bytes; returns nothing.
constexpr DWORD IOCTL_CAM_SET_TIMEOUT = 0x2220A0;

static_assert(IOCTL_CAM_PIPE_OUT_DIRECT ==
              CTL_CODE(0x22, 0x813, METHOD_OUT_DIRECT, FILE_ANY_ACCESS));
static_assert(IOCTL_CAM_PIPE_IN_DIRECT == CTL_CODE(0x22, 0x814, METHOD_IN_DIRECT, FILE_ANY_ACCESS));
static_assert(IOCTL_CAM_SET_TIMEOUT == CTL_CODE(0x22, 0x828, METHOD_BUFFERED, FILE_ANY_ACCESS));

constexpr ULONG PIPE_COMMAND = 0; // takes 64-byte command packets
constexpr ULONG PIPE_REPLY = 1;   // yields 64-byte reply packets
constexpr ULONG PIPE_IMAGE = 2;   // yields raw frame data

constexpr DWORD kPacketBytes = 64;
constexpr DWORD kTimeoutRequestBytes = 44;
constexpr std::size_t kDevicePathBytes = 128;

// Device number n is the n-th character; L, N, M is the camera family's historical order.
constexpr char kDeviceSuffixes[] = "0123456789ABCDEFGHIJKLNMOPQRSTUVWXYZ";
constexpr int kDeviceSuffixCount = sizeof(kDeviceSuffixes) - 1;

// Writes "\\.\<name>-<c>" with c the number's suffix character. Returns false (and leaves an
// empty string) when the number has no suffix or the path would not fit.
bool FormatDevicePath(char (&path)[kDevicePathBytes], const char* deviceName, int number);

// Opens the device path the way the driver expects; an invalid handle when it is absent.
UniqueHandle OpenDevice(const char* path);

enum class Outcome {
    Complete, // the driver accepted the request and moved exactly the bytes asked for
    Short,    // accepted, but fewer bytes moved than asked for
    Failed,   // refused, or more bytes reported than the buffer holds
};

// The one place where this library calls DeviceIoControl: every request to the camera goes
// through here, so the bytes-returned rule is checked once. `bytesReturned` may be null.
Outcome CallDriver(HANDLE device, DWORD code, const void* input, DWORD inputBytes, void* output,
                   DWORD outputBytes, DWORD* bytesReturned = nullptr);

// Moves `bytes` between `buffer` and the pipe, with the request code that the pipe and the
// direction need (see the callers).
Outcome TransferOnPipe(HANDLE device, DWORD code, ULONG pipe, void* buffer, DWORD bytes,
                       DWORD* bytesReturned = nullptr);

// Sends the time-out request; true when the driver accepted it.
bool SetDriverTimeout(HANDLE device, DWORD milliseconds);

} // namespace driver

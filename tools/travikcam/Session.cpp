// travikcam: opening and releasing the camera, and explaining failures.
#include "Session.h"

#include <cstdio>

namespace travikcam {

Session::Session() {
    m_handle = Travik_Initialize(nullptr);
    if (m_handle == 0) {
        std::fprintf(stderr, "travikcam: the SDK could not open a camera object\n");
        return;
    }
    // Initialisation reports problems on the error stack but still gives a handle.
    if (const int code = Travik_GetLastError(m_handle))
        std::fprintf(stderr, "travikcam: initialisation: %s (error %d)\n", DescribeError(code),
                     code);
}

Session::~Session() {
    if (m_handle != 0) Travik_Release(m_handle);
}

bool Session::SelectDevice(int number) {
    return Check(Travik_SetDeviceNumber(m_handle, number), "selecting the device");
}

bool Session::Check(int result, const char* what) {
    if (result != 0) return true;
    const int code = Travik_GetLastError(m_handle);
    if (code != 0)
        std::fprintf(stderr, "travikcam: %s failed: %s (error %d)\n", what, DescribeError(code),
                     code);
    else
        std::fprintf(stderr, "travikcam: %s failed\n", what);
    return false;
}

const char* DescribeError(int code) {
    switch (code) {
    case ERR_UNAVAILABLE:
        return "not available in this state (no camera or no image yet)";
    case ERR_DEVICE:
        return "the camera is absent or in use by another application";
    case ERR_THREAD:
        return "a thread could not be started";
    case ERR_WINDOW:
        return "the preview window could not be made";
    case ERR_MEMORY:
        return "out of memory or buffer too small";
    case ERR_DEVICE_IO:
        return "the camera refused the request";
    case ERR_GEOMETRY:
        return "the capture window is invalid, or the image changed its size or depth";
    case ERR_TRANSFER:
        return "a frame transfer failed";
    case ERR_PARAMETER:
        return "an argument is out of range";
    case ERR_NOT_SUPPORTED:
        return "not supported by this camera";
    case ERR_FILE:
        return "the file could not be created or written";
    case ERR_DEVICE_LOST:
        return "the camera stopped answering";
    default:
        return "unknown error";
    }
}

std::wstring AbsolutePath(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    return full;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                            bytes, nullptr, nullptr);
    return utf8;
}

} // namespace travikcam

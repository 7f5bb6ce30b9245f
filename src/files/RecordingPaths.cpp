// Image files and recording: deriving the sidecar's and the numbered files' names.
#include "files/RecordingPaths.h"

#include <windows.h>

#include <cwchar>

namespace recording_paths {

namespace {

// Where the extension of the path's last name starts, or the path's end when it has none.
size_t ExtensionStart(const std::wstring& path) {
    const size_t name = path.find_last_of(L"\\/:");
    const size_t dot = path.rfind(L'.');
    const bool hasExtension =
        dot != std::wstring::npos && (name == std::wstring::npos || dot > name + 1);
    return hasExtension ? dot : path.size();
}

} // namespace

bool Widen(const FilePath& path, std::wstring& wide) {
    if (path.Wide()) {
        wide = path.Wide();
        return true;
    }
    if (!path.Narrow()) return false;
    const int length =
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path.Narrow(), -1, nullptr, 0);
    if (length <= 0) return false;
    wide.assign(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path.Narrow(), -1, wide.data(), length) !=
        length)
        return false;
    wide.resize(static_cast<size_t>(length) - 1);
    return true;
}

std::wstring SidecarOf(const std::wstring& avi) {
    const size_t extension = ExtensionStart(avi);
    if (_wcsicmp(avi.c_str() + extension, L".csv") == 0) return avi + L".csv";
    return avi.substr(0, extension) + L".csv";
}

std::wstring Numbered(const std::wstring& base, uint32_t number) {
    const size_t extension = ExtensionStart(base);
    wchar_t suffix[16];
    std::swprintf(suffix, 16, L"-%04u", number);
    return base.substr(0, extension) + suffix + base.substr(extension);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace recording_paths

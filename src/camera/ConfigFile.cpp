// Settings persistence: configuration files of 8-byte records.
#include "camera/Travik.h"

#include "support/UniqueHandle.h"

#include <vector>

int CTravik::LoadConfigFileA(const char* path) {
    if (!path) return 0;
    UniqueHandle file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    const DWORD size = GetFileSize(file.get(), nullptr);
    std::vector<unsigned char> bytes(size == INVALID_FILE_SIZE ? 0 : size);
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), size, &read, nullptr)) read = 0;
    file.reset();

    std::vector<ConfigRecord> records = ParseConfigRecords(bytes.data(), read);
    LockGuard lock(m_configLock);
    m_configRecords.swap(records);
    return 1;
}

int CTravik::LoadConfigFileW(const wchar_t* path) {
    char narrow[1024];
    if (!WidePathToAnsi(path, narrow)) return ReportError(ERR_FILE), 0;
    return LoadConfigFileA(narrow);
}

bool WidePathToAnsi(const wchar_t* path, char (&narrow)[1024]) {
    if (!path) return false;
    // The size query tells whether the name fits with its terminator in 1023 bytes.
    const int needed = WideCharToMultiByte(CP_THREAD_ACP, 0, path, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0 || needed > 1023) return false;
    return WideCharToMultiByte(CP_THREAD_ACP, 0, path, -1, narrow, sizeof(narrow), nullptr, nullptr) > 0;
}

// Image files and recording: a file name as the application gave it, narrow or wide.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdio>

// The narrow exports pass names in the ANSI code page and the wide ones UTF-16 names; each is
// opened with the call of its own kind, so a wide name is never squeezed through a code page
// that may lack its characters (or map them by best fit onto another file's name).
class FilePath {
  public:
    FilePath(std::nullptr_t) {}
    FilePath(const char* narrow) : m_narrow(narrow) {}
    FilePath(const wchar_t* wide) : m_wide(wide) {}

    bool IsNull() const { return m_narrow == nullptr && m_wide == nullptr; }
    const char* Narrow() const { return m_narrow; }
    const wchar_t* Wide() const { return m_wide; }

    // CreateFileA or CreateFileW for writing, no sharing, normal attributes.
    HANDLE CreateForWriting(DWORD disposition) const {
        if (m_wide)
            return CreateFileW(m_wide, GENERIC_WRITE, 0, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_narrow)
            return CreateFileA(m_narrow, GENERIC_WRITE, 0, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        return INVALID_HANDLE_VALUE;
    }
    // fopen or _wfopen in binary write mode, for the libraries that write through a FILE.
    std::FILE* OpenStream() const {
        if (m_wide) return _wfopen(m_wide, L"wb");
        if (m_narrow) return std::fopen(m_narrow, "wb");
        return nullptr;
    }

  private:
    const char* m_narrow = nullptr;
    const wchar_t* m_wide = nullptr;
};

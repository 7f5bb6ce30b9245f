// Shared helpers of the Windows tests: message capture, resource counters, a clean registry.
#pragma once

#include "resources/ResourceCount.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace travik_test {

using travik_resources::CountResources;
using travik_resources::ResourceCounts;

// A hidden window on the calling thread that records the messages posted to it.
class MessageWindow {
  public:
    MessageWindow();
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND hwnd() const { return m_hwnd; }
    // Pumps the thread's queue for up to `ms` milliseconds (at least once) and returns the
    // lParam of every `message` posted to this window in that time, oldest first.
    std::vector<LPARAM> Collect(UINT message, DWORD ms);

  private:
    HWND m_hwnd = nullptr;
};

// A window class of the program, registered for as long as the object lives.
class ProgramWindowClass {
  public:
    explicit ProgramWindowClass(const char* name);
    ~ProgramWindowClass();
    ProgramWindowClass(const ProgramWindowClass&) = delete;
    ProgramWindowClass& operator=(const ProgramWindowClass&) = delete;

    bool registered() const { return m_atom != 0; }

  private:
    const char* m_name;
    ATOM m_atom = 0;
};

// Drains the calling thread's queue of thread messages (hwnd NULL) of the given id.
std::vector<LPARAM> CollectThreadMessages(UINT message);

// Removes the SDK's settings from HKEY_CURRENT_USER.
void DeleteSdkRegistry();

// Directory of the running test program, with a trailing backslash.
std::string ProgramDirectory();

// How a program run by RunProgram ended.
struct ProgramRun {
    DWORD status = 0xFFFFFFFF; // exit status; 0xFFFFFFFF when it could not start
    std::string output;        // standard output and standard error together; when the program
                               // could not start, the step and Windows error that failed
    DWORD startError = 0;      // GetLastError() of the failed start, 0 when it started
};
// Runs `commandLine` to its end, collecting its output.
ProgramRun RunProgram(const std::string& commandLine);

// `name` in the temporary folder.
std::string TempFilePath(const std::string& name);
// The first `bytes` bytes of a file (fewer when it is shorter; none when it cannot be read).
std::vector<unsigned char> ReadFileHead(const std::string& path, size_t bytes);
// The little-endian 32-bit number at `offset` of `bytes`.
uint32_t LittleEndian32(const std::vector<unsigned char>& bytes, size_t offset);

} // namespace travik_test

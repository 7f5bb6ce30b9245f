// Shared helpers of the Windows tests.
#include "support/TestSupport.h"

#include "support/UniqueHandle.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

namespace travik_test {

namespace {
const char kWindowClass[] = "TravikTestMessageWindow";

ATOM RegisterTestClass() {
    static ATOM atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kWindowClass;
        return RegisterClassA(&wc);
    }();
    return atom;
}
} // namespace

MessageWindow::MessageWindow() {
    RegisterTestClass();
    m_hwnd = CreateWindowExA(0, kWindowClass, "travik test", WS_OVERLAPPED, 0, 0, 10, 10,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

MessageWindow::~MessageWindow() {
    if (m_hwnd) DestroyWindow(m_hwnd);
}

ProgramWindowClass::ProgramWindowClass(const char* name) : m_name(name) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    m_atom = RegisterClassA(&windowClass);
}

ProgramWindowClass::~ProgramWindowClass() {
    if (m_atom) UnregisterClassA(m_name, GetModuleHandleA(nullptr));
}

std::vector<LPARAM> MessageWindow::Collect(UINT message, DWORD ms) {
    std::vector<LPARAM> found;
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, m_hwnd, 0, 0, PM_REMOVE)) {
            if (msg.message == message) found.push_back(msg.lParam);
            else DispatchMessageA(&msg);
        }
        if (ms) Sleep(5);
    } while (GetTickCount() - start < ms);
    return found;
}

std::vector<LPARAM> CollectThreadMessages(UINT message) {
    std::vector<LPARAM> found;
    MSG msg;
    while (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), message, message, PM_REMOVE))
        found.push_back(msg.lParam);
    return found;
}

void DeleteSdkRegistry() {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Ostrel\\Travik380TZ4RDXSdk");
}

std::string ProgramDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

namespace {

uint64_t FileTimeValue(const FILETIME& time) {
    return static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

// The program's file as the failed start found it: missing, or written a moment before (a build
// still linking it), or whole and old, which leaves the system's side of the start.
std::string DescribeProgramFile(const std::string& commandLine) {
    const bool quoted = !commandLine.empty() && commandLine[0] == '"';
    const std::string path = quoted ? commandLine.substr(1, commandLine.find('"', 1) - 1)
                                    : commandLine.substr(0, commandLine.find(' '));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return path + " cannot be found (error " + std::to_string(GetLastError()) + ")";
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    const uint64_t size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    const int64_t ageMs = static_cast<int64_t>(FileTimeValue(now) -
                                               FileTimeValue(data.ftLastWriteTime)) / 10000;
    return path + " has " + std::to_string(size) + " bytes, written " + std::to_string(ageMs) +
           " ms before";
}

// Records why a program could not start, so that a failure shows the cause, not only -1: the
// step and Windows error, how long the step took, and the state of the program's file.
ProgramRun& FailedStart(ProgramRun& run, const char* step, const std::string& commandLine,
                        DWORD startTick) {
    run.startError = GetLastError();
    const DWORD tookMs = GetTickCount() - startTick;
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   run.startError, 0, text, sizeof text, nullptr);
    char line[400];
    std::snprintf(line, sizeof line,
                  "the program could not start: %s failed with error %lu after %lu ms: %s", step,
                  static_cast<unsigned long>(run.startError), static_cast<unsigned long>(tookMs),
                  text);
    run.output = line;
    run.output += "; " + DescribeProgramFile(commandLine);
    return run;
}

} // namespace

ProgramRun RunProgram(const std::string& commandLine) {
    ProgramRun run;
    const DWORD startTick = GetTickCount();
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return FailedStart(run, "CreatePipe", commandLine, startTick);
    UniqueHandle reader(readEnd), writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::string command = commandLine;
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    if (!started) return FailedStart(run, "CreateProcess", commandLine, startTick);
    writer.reset(); // the program has its own copy
    UniqueHandle program(process.hProcess), thread(process.hThread);
    // Read until the program has ended, not until end of file: a process that Wine starts on
    // its behalf (the desktop's explorer.exe) can inherit the pipe's write end and keep it open
    // long after.
    char buffer[4096];
    for (bool ended = false; !ended;) {
        ended = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
        DWORD available = 0, got = 0;
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
               ReadFile(readEnd, buffer, std::min<DWORD>(available, sizeof buffer), &got,
                        nullptr) &&
               got > 0)
            run.output.append(buffer, got);
    }
    if (!GetExitCodeProcess(process.hProcess, &run.status)) {
        run.status = 0xFFFFFFFF;
        run.output += "\n(the exit status could not be read: error " +
                      std::to_string(GetLastError()) + ")";
    }
    return run;
}

std::string TempFilePath(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name;
}

std::vector<unsigned char> ReadFileHead(const std::string& path, size_t bytes) {
    std::vector<unsigned char> head;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return head;
    unsigned char chunk[65536];
    size_t got = 0;
    while (head.size() < bytes &&
           (got = std::fread(chunk, 1, std::min(sizeof chunk, bytes - head.size()), f)) > 0)
        head.insert(head.end(), chunk, chunk + got);
    std::fclose(f);
    return head;
}

uint32_t LittleEndian32(const std::vector<unsigned char>& bytes, size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

} // namespace travik_test

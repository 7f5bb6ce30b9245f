// Camera object: saving its settings to a profile file and loading one, whole or not at all.
#include "support/CriticalSection.h"
#include "camera/SettingsProfile.h"
#include "camera/Travik.h"
#include "support/UniqueHandle.h"

#include <algorithm>
#include <cstring>
#include <string>

using namespace settings;

namespace {

std::string WindowsErrorText(const char* what, DWORD error) {
    return std::string(what) + " (Windows error " + std::to_string(error) + ")";
}

ProfileProblem FileProblem(const char* what) {
    return {0, TRAVIK_PROFILE_FILE, WindowsErrorText(what, GetLastError())};
}

// The whole file, up to the size a profile may have.
ProfileProblem ReadWholeFile(const wchar_t* path, std::string& text) {
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FileProblem("the file could not be opened");
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size)) return FileProblem("the file's size could not be read");
    if (size.QuadPart > static_cast<LONGLONG>(kLargestProfileBytes))
        return {0, TRAVIK_PROFILE_FILE,
                "the file is larger than a profile can be (" +
                    std::to_string(kLargestProfileBytes) + " bytes)"};
    text.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!text.empty() &&
        (!ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr) ||
         read != text.size()))
        return FileProblem("the file could not be read");
    return {};
}

// Written beside the file first and then put in its place, so that a failed save leaves an
// existing profile as it was and no half-written one behind.
ProfileProblem WriteWholeFile(const wchar_t* path, const std::string& text) {
    const std::wstring partial = std::wstring(path) + L".partial";
    UniqueHandle file(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FileProblem("the file could not be made");
    DWORD written = 0;
    const bool complete =
        WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size() && FlushFileBuffers(file.get());
    const DWORD error = GetLastError();
    file.reset();
    if (complete && MoveFileExW(partial.c_str(), path, MOVEFILE_REPLACE_EXISTING)) return {};
    const ProfileProblem problem{
        0, TRAVIK_PROFILE_FILE,
        WindowsErrorText("the file could not be written", complete ? GetLastError() : error)};
    DeleteFileW(partial.c_str());
    return problem;
}

bool AnsiPathToWide(const char* path, std::wstring& wide) {
    const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0) return false;
    wide.resize(static_cast<size_t>(length));
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), length) <= 0) return false;
    wide.pop_back(); // the terminator
    return true;
}

void Tell(TravikProfileResult* result, const ProfileProblem& problem) {
    if (!result) return;
    result->line = problem.line;
    result->reason = problem.reason;
    std::memset(result->text, 0, sizeof(result->text));
    std::memcpy(result->text, problem.text.data(),
                std::min(problem.text.size(), sizeof(result->text) - 1));
}

bool ResultFits(const TravikProfileResult* result) {
    return !result || result->size >= sizeof(TravikProfileResult);
}

// The policy of the whole load: the strongest of the settings it changes, and at least between
// two frames, so that no frame sees half a profile.
ChangePolicy PolicyOf(const ProfileValues& current, const ProfileValues& wanted) {
    ChangePolicy strongest = ChangePolicy::BetweenFrames;
    for (const Setting& setting : kSettings) {
        const int index = static_cast<int>(setting.id);
        if (wanted.line[index] != 0 && wanted.value[index] != current.value[index] &&
            setting.policy > strongest)
            strongest = setting.policy;
    }
    return strongest;
}

} // namespace

ProfileValues CTravik::CurrentProfileValues() const {
    ProfileValues values;
    for (const Setting& setting : kSettings)
        if (setting.inProfile) values.value[static_cast<int>(setting.id)] = ReadSetting(setting);
    return values;
}

int CTravik::RefuseProfile(TravikProfileResult* result, int code, const ProfileProblem& problem) {
    Tell(result, problem);
    ReportError(code);
    return 0;
}

// What a save and a load check first: a record that fits and a path, then a camera. The record is
// cleared first; false once the refusal is reported.
bool CTravik::BeginProfileCall(const wchar_t* path, TravikProfileResult* result) {
    if (!ResultFits(result) || !path) return ReportError(ERR_PARAMETER), false;
    Tell(result, {});
    if (m_device) return true;
    RefuseProfile(result, ERR_UNAVAILABLE, {0, TRAVIK_PROFILE_REFUSED, "no camera"});
    return false;
}

int CTravik::SaveProfile(const wchar_t* path, TravikProfileResult* result) {
    if (!BeginProfileCall(path, result)) return 0;
    ProfileValues values;
    {
        // Between two frames: the worker's white balance changes three gains at once.
        LockGuard lock(m_imageLock);
        values = CurrentProfileValues();
    }
    if (ProfileProblem problem = WriteWholeFile(path, FormatProfile(values)))
        return RefuseProfile(result, ERR_FILE, problem);
    return 1;
}

int CTravik::LoadProfile(const wchar_t* path, TravikProfileResult* result) {
    if (!BeginProfileCall(path, result)) return 0;
    std::string text;
    if (ProfileProblem problem = ReadWholeFile(path, text))
        return RefuseProfile(result, ERR_FILE, problem);
    const ProfileValues current = CurrentProfileValues();
    ProfileValues wanted = current;
    if (ProfileProblem problem = ParseProfile(text, wanted))
        return RefuseProfile(result, ERR_PARAMETER, problem);
    return ApplyProfile(PolicyOf(current, wanted), wanted, result);
}

// Every value the profile names goes in at once, then each sensor write that follows them is
// made once.
int CTravik::ApplyProfile(ChangePolicy policy, const ProfileValues& wanted,
                          TravikProfileResult* result) {
    bool applied = false;
    const auto apply = [&] {
        bool sensorWrites[static_cast<int>(Sensor::Window) + 1] = {};
        for (const Setting& setting : kSettings) {
            if (!wanted.Given(setting.id)) continue;
            WriteSetting(setting, wanted[setting.id]);
            sensorWrites[static_cast<int>(setting.sensor)] = true;
        }
        for (int sensor = 0; sensor <= static_cast<int>(Sensor::Window); ++sensor)
            if (sensorWrites[sensor]) ApplyToSensor(static_cast<Sensor>(sensor));
        applied = true;
        return 1;
    };
    if (m_acquisition.Change(policy, apply)) return 1;
    // The owner has reported why.
    const char* why = applied ? "the profile was applied, but acquisition did not start again"
                      : m_acquisition.IsRecording()
                          ? "a recording runs, and the profile changes what its frames depend on"
                          : "the camera refused the change";
    Tell(result, {0, TRAVIK_PROFILE_REFUSED, why});
    return 0;
}

int CTravik::SaveProfileA(const char* path, TravikProfileResult* result) {
    std::wstring wide;
    if (path && !AnsiPathToWide(path, wide)) return ReportError(ERR_FILE), 0;
    return SaveProfile(path ? wide.c_str() : nullptr, result);
}

int CTravik::LoadProfileA(const char* path, TravikProfileResult* result) {
    std::wstring wide;
    if (path && !AnsiPathToWide(path, wide)) return ReportError(ERR_FILE), 0;
    return LoadProfile(path ? wide.c_str() : nullptr, result);
}

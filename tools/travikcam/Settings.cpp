// travikcam: settings save|load|show: the camera's settings as a text profile.
#include "Commands.h"
#include "Session.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace travikcam {

namespace {

// "FILE:LINE: reason", as compilers tell where a file went wrong.
void TellRefusal(const std::wstring& path, const TravikProfileResult& result, int code) {
    std::string where = ToUtf8(path);
    if (result.line > 0) where += ":" + std::to_string(result.line);
    std::fprintf(stderr, "travikcam: %s: %s (error %d)\n", where.c_str(),
                 result.text[0] ? result.text : DescribeError(code), code);
}

int Save(int handle, const std::wstring& path, TravikProfileResult& result) {
    if (TravikEx_SaveProfileW(handle, path.c_str(), &result)) return 0;
    TellRefusal(path, result, Travik_GetLastError(handle));
    return 1;
}

// Shown by saving to a temporary file, so that what is shown is what a save writes.
int Show(int handle, TravikProfileResult& result) {
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"tvk", 0, path)) {
        std::fprintf(stderr, "travikcam: no temporary file for the settings\n");
        return 1;
    }
    const int status = Save(handle, path, result);
    if (status == 0) {
        std::ifstream file(std::filesystem::path(path), std::ios::binary);
        std::string text(std::istreambuf_iterator<char>(file), {});
        // The console's text mode puts the carriage returns back.
        std::erase(text, '\r');
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    DeleteFileW(path);
    return status;
}

} // namespace

bool IsSettingsAction(const std::wstring& action, size_t operands) {
    if (action == L"show") return operands == 1;
    return (action == L"save" || action == L"load") && operands == 2;
}

int Settings(const Options& options) {
    Session session;
    if (!session.IsOpen() || !session.SelectDevice(options.device)) return 1;
    const int handle = session.Handle();
    TravikProfileResult result = {};
    result.size = sizeof(result);
    const std::wstring& action = options.operands[0];
    if (action == L"show") return Show(handle, result);

    const std::wstring path = AbsolutePath(options.operands[1]);
    if (action == L"save") {
        if (const int status = Save(handle, path, result)) return status;
        std::printf("wrote %s\n", ToUtf8(path).c_str());
        return 0;
    }
    if (!TravikEx_LoadProfileW(handle, path.c_str(), &result)) {
        TellRefusal(path, result, Travik_GetLastError(handle));
        return 1;
    }
    std::printf("loaded %s into device %d\n", ToUtf8(path).c_str(), options.device);
    return 0;
}

} // namespace travikcam

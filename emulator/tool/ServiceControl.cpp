// Installing, starting, reconfiguring and removing the virtual camera's kernel-driver service.
#include "ServiceControl.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "EmuControl.h"

namespace travik_emu {

namespace {

const char kServiceName[] = TRAVIK_EMU_SERVICE_NAME;
const char kParametersKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\" TRAVIK_EMU_SERVICE_NAME "\\Parameters";
// A digest of the driver file the running driver was started from (REG_QWORD).
const char kStartedFileValue[] = "StartedFileDigest";
const DWORD kStateWaitMs = 15000;
const DWORD kPollMs = 20;

struct ScHandleCloser {
    void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
using ScHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ScHandleCloser>;

struct RegKeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using RegKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegKeyCloser>;

std::string Win32Message(DWORD error) {
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             error, 0, text, sizeof(text), nullptr);
    while (n && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.'))
        text[--n] = 0;
    std::string message = n ? text : "error";
    return message + " (" + std::to_string(error) + ")";
}

ServiceResult Failure(const std::string& what, DWORD error = GetLastError()) {
    ServiceResult result;
    result.error = what + ": " + Win32Message(error);
    return result;
}

std::string DriverFilePath() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string file(path, n);
    size_t slash = file.find_last_of("\\/");
    return file.substr(0, slash == std::string::npos ? 0 : slash + 1) + TRAVIK_EMU_DRIVER_FILE;
}

DWORD CurrentState(SC_HANDLE service) {
    SERVICE_STATUS status = {};
    return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}

bool WaitForState(SC_HANDLE service, DWORD wanted) {
    for (DWORD waited = 0; waited < kStateWaitMs; waited += kPollMs) {
        if (CurrentState(service) == wanted) return true;
        Sleep(kPollMs);
    }
    return CurrentState(service) == wanted;
}

// The driver answers on its control device with the expected number of cameras.
bool DriverServes(unsigned devices) {
    TravikEmuDriverInfo info = {};
    return QueryDriver(info) && info.interfaceVersion == TRAVIK_EMU_INTERFACE_VERSION &&
           info.deviceCount == devices;
}

bool WaitForDriver(unsigned devices) {
    for (DWORD waited = 0; waited < kStateWaitMs; waited += kPollMs) {
        if (DriverServes(devices)) return true;
        Sleep(kPollMs);
    }
    return DriverServes(devices);
}

std::string ConfiguredPath(SC_HANDLE service) {
    DWORD needed = 0;
    QueryServiceConfigA(service, nullptr, 0, &needed);
    std::vector<unsigned char> buffer(needed ? needed : 1);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(service, config, needed, &needed) || !config->lpBinaryPathName)
        return {};
    return config->lpBinaryPathName;
}

bool WriteParameter(const char* name, DWORD type, const void* value, DWORD bytes) {
    HKEY raw = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kParametersKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &raw, nullptr) != ERROR_SUCCESS)
        return false;
    RegKey key(raw);
    return RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(value), bytes) ==
           ERROR_SUCCESS;
}

bool WriteDeviceCount(unsigned devices) {
    DWORD value = devices;
    return WriteParameter(TRAVIK_EMU_DEVICE_COUNT_VALUE, REG_DWORD, &value, sizeof(value));
}

// FNV-1a over the file's bytes: a rebuilt driver differs at least in its link time stamp, while
// a file that was only touched or copied is the same driver.
unsigned long long FileDigest(const std::string& path) {
    unsigned long long digest = 14695981039346656037ull;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return 0;
    unsigned char buffer[65536];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0)
        for (size_t i = 0; i < got; ++i)
            digest = (digest ^ buffer[i]) * 1099511628211ull;
    fclose(file);
    return digest;
}

unsigned long long StartedFileDigest() {
    unsigned long long value = 0;
    DWORD bytes = sizeof(value);
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kParametersKey, kStartedFileValue, RRF_RT_REG_QWORD,
                     nullptr, &value, &bytes) != ERROR_SUCCESS)
        return 0;
    return value;
}

ServiceResult StopService(SC_HANDLE service) {
    if (CurrentState(service) == SERVICE_STOPPED) return {};
    SERVICE_STATUS status = {};
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status) &&
        GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
        return Failure("cannot stop the driver");
    if (!WaitForState(service, SERVICE_STOPPED))
        return Failure("the driver did not stop", ERROR_TIMEOUT);
    return {};
}

} // namespace

ServiceResult InstallService(unsigned devices) {
    const std::string driverPath = DriverFilePath();
    if (GetFileAttributesA(driverPath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return Failure("driver file " + driverPath);

    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return Failure("cannot open the service manager");
    ScHandle service(OpenServiceA(manager.get(), kServiceName, SERVICE_ALL_ACCESS));
    // A rebuilt or replaced driver file is loaded anew: a running driver never hides it.
    const unsigned long long digest = FileDigest(driverPath);
    ServiceResult result;
    if (service) {
        bool samePath = _stricmp(ConfiguredPath(service.get()).c_str(), driverPath.c_str()) == 0;
        bool running = CurrentState(service.get()) == SERVICE_RUNNING && DriverServes(devices);
        bool sameFile = StartedFileDigest() == digest;
        if (samePath && running && sameFile) {
            result.note = "already running with " + std::to_string(devices) + " devices";
            return result;
        }
        ServiceResult stopped = StopService(service.get());
        if (!stopped.ok()) return stopped;
        if (!samePath &&
            !ChangeServiceConfigA(service.get(), SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                  SERVICE_ERROR_NORMAL, driverPath.c_str(), nullptr, nullptr,
                                  nullptr, nullptr, nullptr, nullptr))
            return Failure("cannot reconfigure the driver service");
        result.note = samePath && running
                          ? "restarted, as the driver file changed since it was loaded"
                          : "restarted";
    } else {
        service.reset(CreateServiceA(manager.get(), kServiceName, "Travik virtual camera",
                                     SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                     SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, driverPath.c_str(),
                                     nullptr, nullptr, nullptr, nullptr, nullptr));
        if (!service) return Failure("cannot create the driver service");
        result.note = "installed";
    }
    if (!WriteDeviceCount(devices)) return Failure("cannot write the device count");
    if (!WriteParameter(kStartedFileValue, REG_QWORD, &digest, sizeof(digest)))
        return Failure("cannot record which driver file was started");
    if (!StartServiceA(service.get(), 0, nullptr) &&
        GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
        return Failure("cannot start the driver");
    if (!WaitForDriver(devices))
        return Failure("the driver did not come up with " + std::to_string(devices) + " devices",
                       ERROR_TIMEOUT);
    result.note += ", running with " + std::to_string(devices) + " devices";
    return result;
}

ServiceResult RemoveService() {
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return Failure("cannot open the service manager");
    ScHandle service(OpenServiceA(manager.get(), kServiceName, SERVICE_ALL_ACCESS));
    if (!service) return Failure("the driver service is not installed");
    ServiceResult stopped = StopService(service.get());
    if (!stopped.ok()) return stopped;
    if (!DeleteService(service.get())) return Failure("cannot delete the driver service");
    ServiceResult result;
    result.note = "removed";
    return result;
}

std::string ServiceDriverFile() {
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return {};
    ScHandle service(OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_CONFIG));
    return service ? ConfiguredPath(service.get()) : std::string();
}

std::string ServiceStateText() {
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return "unknown (no service manager)";
    ScHandle service(OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_STATUS));
    if (!service) return "not installed";
    switch (CurrentState(service.get())) {
    case SERVICE_RUNNING:
        return "running";
    case SERVICE_STOPPED:
        return "stopped";
    case SERVICE_START_PENDING:
        return "starting";
    case SERVICE_STOP_PENDING:
        return "stopping";
    default:
        return "unknown";
    }
}

} // namespace travik_emu

// Installing, starting, reconfiguring and removing the virtual camera's kernel-driver service.
#pragma once

#include <string>

namespace travik_emu {

// The outcome of a service operation: empty error on success, else a one-line reason.
struct ServiceResult {
    std::string error;
    std::string note; // what was done, for the user
    bool ok() const { return error.empty(); }
};

// Installs the driver next to this program as the service "TravikCamEmu" with `devices` cameras
// and starts it. Idempotent: a running service with the same driver file, unchanged since it was
// started, and the same device count is left alone (and so is what its cameras were told);
// otherwise it is stopped, reconfigured and started again.
ServiceResult InstallService(unsigned devices);

// Stops the service when running and deletes it.
ServiceResult RemoveService();

// "running", "stopped", "not installed", ... for the status report.
std::string ServiceStateText();
// The driver file the service loads; empty when it is not installed.
std::string ServiceDriverFile();

} // namespace travik_emu

// Exports of the API frame: initialisation, release, errors and version.
#include "api/ExportFrame.h"
#include "TravikVersion.h"

// The public header states the version for applications; the build generates it from the project
// version. The two must never drift apart.
static_assert(TRAVIK_VERSION_VALUE == TRAVIK_DLL_VERSION, "project version and TRAVIK_DLL_VERSION differ");

TRAVIK_EXPORT Travik_Initialize(HWND window) {
    try {
        const int handle = g_sdkChain.CreateCamera();
        if (handle == 0) return 0;
        // The camera stays registered even when its initialisation fails; the reason is on its
        // error stack and the application still releases it.
        CallCamera(handle, 0, [&](CTravik& camera) { return camera.Initialize(window); });
        return handle;
    } catch (...) {
        return 0;
    }
}

TRAVIK_EXPORT Travik_Release(int handle) {
    try {
        return g_sdkChain.ReleaseCamera(handle);
    } catch (...) {
        return 0;
    }
}

TRAVIK_EXPORT Travik_GetLastError(int handle) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.GetLastError(); });
}

TRAVIK_EXPORT Travik_GetDllVersion() { return TRAVIK_VERSION_VALUE; }

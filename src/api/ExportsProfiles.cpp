// Exports of the settings profiles: every setting of a camera saved to a text file, or loaded
// from one, through an ANSI or a UTF-16 path.
#include "api/ExportFrame.h"

TRAVIK_EXPORT TravikEx_SaveProfileA(int handle, const char* path, TravikProfileResult* result) {
    return CallCamera(handle, 0,
                      [&](CTravik& camera) { return camera.SaveProfileA(path, result); });
}

TRAVIK_EXPORT TravikEx_SaveProfileW(int handle, const wchar_t* path, TravikProfileResult* result) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.SaveProfile(path, result); });
}

TRAVIK_EXPORT TravikEx_LoadProfileA(int handle, const char* path, TravikProfileResult* result) {
    return CallCamera(handle, 0,
                      [&](CTravik& camera) { return camera.LoadProfileA(path, result); });
}

TRAVIK_EXPORT TravikEx_LoadProfileW(int handle, const wchar_t* path, TravikProfileResult* result) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.LoadProfile(path, result); });
}

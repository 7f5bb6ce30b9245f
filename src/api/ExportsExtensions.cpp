// Extension exports, the TravikEx_ family: automatic recovery after a loss of the camera.
#include "api/ExportFrame.h"

TRAVIK_EXPORT TravikEx_SetRecovery(int handle, const TravikRecoveryOptions* options) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.SetRecovery(options); });
}

TRAVIK_EXPORT TravikEx_GetRecoveryStatus(int handle, TravikRecoveryStatus* status) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.GetRecoveryStatus(status); });
}

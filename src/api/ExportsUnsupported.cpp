// Exports of operations this camera does not have; the module definition points several
// export names at each of these bodies.
#include "api/ExportFrame.h"

// The FPGA registers, frame-rate, half-clock, crossbar and sampling-rate setters: further
// arguments are ignored; a registered camera is told 11 by a posted message only.
TRAVIK_EXPORT TravikNotSupported(int handle, ...) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.PostError(ERR_NOT_SUPPORTED), 0; });
}

// The sampling-rate and video-format getters: they store 0 and report nothing.
TRAVIK_EXPORT TravikZeroValue(int handle, int* value) {
    return CallCamera(handle, 0, [&](CTravik&) {
        if (value) *value = 0;
        return 0;
    });
}

// Always 0; the pointer is not used.
TRAVIK_EXPORT Travik_GetStatus(int, void*) { return 0; }

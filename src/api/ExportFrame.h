// The common frame of every export: look the handle up, run one camera operation, return.
#pragma once

#include "api/SdkChain.h"
#include "camera/Travik.h"

// Unknown handles return `failure` and report nothing. No C++ exception crosses the DLL
// boundary: one that escapes a camera operation becomes the failure value.
template <class Operation> int CallCamera(int handle, int failure, Operation&& operation) noexcept {
    try {
        CameraLease camera = g_sdkChain.LeaseCamera(handle);
        if (!camera) return failure;
        return operation(*camera);
    } catch (...) {
        return failure;
    }
}

#define TRAVIK_EXPORT extern "C" int

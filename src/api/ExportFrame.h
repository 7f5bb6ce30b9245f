// The common frame of every export: look the handle up, run one camera operation, return.
#pragma once

#include "api/SdkChain.h"
#include "camera/Travik.h"

#include <new>

// Runs one operation with the camera's exports serialised; an exception it throws becomes the
// failure value with its reason on the camera: 5 for a memory shortage, 1 for any other.
template <class Operation>
int RunOnCamera(CTravik& camera, int failure, bool exclusive, Operation& operation) noexcept {
    try {
        if (!exclusive) return operation(camera);
        CTravik::ExportScope scope(camera);
        return operation(camera);
    } catch (const std::bad_alloc&) {
        camera.ReportError(ERR_MEMORY);
    } catch (...) {
        camera.ReportError(ERR_UNAVAILABLE);
    }
    return failure;
}

// Unknown handles return `failure` and report nothing. No C++ exception crosses the DLL
// boundary.
template <class Operation>
int LeaseAndRun(int handle, int failure, bool exclusive, Operation& operation) noexcept {
    try {
        CameraLease camera = g_sdkChain.LeaseCamera(handle);
        if (!camera) return failure;
        return RunOnCamera(*camera, failure, exclusive, operation);
    } catch (...) {
        return failure;
    }
}

template <class Operation> int CallCamera(int handle, int failure, Operation&& operation) noexcept {
    return LeaseAndRun(handle, failure, true, operation);
}

// For the dialog launchers: their modal loop would hold the export lock for as long as the
// dialog is open, so they take it only around what they change.
template <class Operation>
int CallCameraUnserialised(int handle, int failure, Operation&& operation) noexcept {
    return LeaseAndRun(handle, failure, false, operation);
}

#define TRAVIK_EXPORT extern "C" int

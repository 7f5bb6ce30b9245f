// Exports of the frame stream, an extension of the SDK: start, stop, grab, release, event, counts.
#include "api/ExportFrame.h"
#include "camera/FramePool.h"

TRAVIK_EXPORT TravikEx_StartStream(int handle, const TravikExStreamOptions* options) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.StartStream(options); });
}

TRAVIK_EXPORT TravikEx_StopStream(int handle) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.StopStream(); });
}

// The stream's calls wait on the pool, never on the camera's other exports: a grab may wait for
// as long as the application likes while another thread stops the stream or changes a setting.
TRAVIK_EXPORT TravikEx_GrabFrame(int handle, DWORD timeoutMs, TravikExFrame* frame) {
    return CallCameraUnserialised(
        handle, -1, [&](CTravik& camera) { return camera.GrabFrame(timeoutMs, frame); });
}

TRAVIK_EXPORT TravikEx_ReleaseFrame(int handle, TravikExFrame* frame) {
    constexpr int kUnknownHandle = -1;
    const int released = CallCameraUnserialised(
        handle, kUnknownHandle, [&](CTravik& camera) { return camera.ReleaseFrame(frame); });
    if (released != kUnknownHandle) return released;
    // The camera was released while the application held the frame, which outlives it.
    try {
        return CTravik::ReleaseFrameOfReleasedCamera(frame);
    } catch (...) {
        return 0;
    }
}

TRAVIK_EXPORT TravikEx_GetStreamEvent(int handle, HANDLE* event) {
    return CallCameraUnserialised(handle, 0,
                                  [&](CTravik& camera) { return camera.GetStreamEvent(event); });
}

TRAVIK_EXPORT TravikEx_GetStreamStats(int handle, TravikExStreamStats* stats) {
    return CallCameraUnserialised(handle, 0,
                                  [&](CTravik& camera) { return camera.GetStreamStats(stats); });
}

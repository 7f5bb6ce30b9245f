// Camera object: how a change of a setting reaches an acquisition that may be running; each
// setting names its policy, and the acquisition owner carries it out.
#pragma once

enum class ChangePolicy {
    // Applied at once in any state: the worker reads it afresh for every frame.
    Live,
    // Applied under the image lock, so between two frames: the worker holds that lock for the
    // whole handling of a frame (the mirrors and the Bayer phase that follows them, the caller's
    // buffer and notice window).
    BetweenFrames,
    // What the buffers, the sensor programming or the transfer are made from (capture window,
    // colour and word mode, sub-sample, device, format): idle, applied at once; otherwise
    // acquisition is paused, the change applied and acquisition started again in the state it
    // was in, trigger mode's pause included. Refused with code 1 under a recording, whose file
    // keeps one frame size and format.
    Restart,
};

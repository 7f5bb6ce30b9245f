// Device access layer: the record shared by the transfer thread and the frame consumer.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "device/DriverInterface.h"
#include "device/FrameRing.h"
#include "device/FrameTruth.h"
#include "support/UniqueHandle.h"

// Shared between exactly two threads without a lock. Rules, per field:
// - set by the starter before the thread exists, read-only while it runs: transferSize,
//   ringCount, slots, devicePath, truthSource (which is shared with single grabs and the sensor
//   model through its own atomics);
// - written by the transfer thread only: writeIndex (the slot being filled) and the pixels and
//   truth of that slot, newestFrame (the last slot filled in full, with its frame count),
//   elapsedMs, framesTransferred, result, errorFlag;
// - written by the consumer only: readIndex (the slot it has claimed), claimedFrames and
//   takenFrames (the frame count at its last claim and at its last copy);
// - stopFlag: the consumer writes 1 to ask for a stop, the thread writes 1 when it ends.
// Each field has one writer, and the thread never moves onto the slot at the read index (see
// AdvanceWriteIndex and ClaimNewestSlot), so no slot is read while it is written.
struct TransferBlock {
    DWORD transferSize = 0; // bytes per frame read
    // Both events live as long as the device object, so that a consumer waiting on frame-ready
    // while another thread stops the transfer never waits on a closed handle.
    UniqueHandle frameReady; // auto-reset, set after every counted frame
    UniqueHandle finished;   // manual-reset, set when the thread is done with the block
    std::atomic<DWORD> elapsedMs{0};
    std::atomic<int> framesTransferred{0};
    std::atomic<int> result{0};
    std::atomic<int> stopFlag{1}; // 1 = stopped or stop requested
    std::atomic<int> errorFlag{0};
    int ringCount = 0;
    FrameSlot* slots = nullptr;
    std::atomic<int> writeIndex{0};
    std::atomic<int> readIndex{0};
    const char* devicePath = nullptr;
    FrameTruthSource* truthSource = nullptr; // stamps every frame read
    // Frame count (high 32 bits) and slot (low 32 bits) of the last full frame, in one word so
    // that the consumer never pairs a slot with another frame's count; 0 before the first one.
    std::atomic<std::uint64_t> newestFrame{0};
    int claimedFrames = 0;
    int takenFrames = 0;
};

// The truth flags of a read's outcome.
std::uint32_t TruthFlagsOf(driver::Outcome outcome);

// The thread procedure; its only argument is the block.
DWORD WINAPI TransferThreadProc(void* block);

// True when a frame has been counted since the consumer last copied one.
bool HasNewFrame(const TransferBlock& block);

// The consumer side of the index protocol: claims the newest full slot as the read index and
// returns it. Only valid when HasNewFrame.
int ClaimNewestSlot(TransferBlock& block);

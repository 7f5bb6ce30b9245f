// Device access layer: the record shared by the transfer thread and the frame consumer.
#pragma once

#include <windows.h>

#include <atomic>

#include "device/FrameRing.h"
#include "device/UniqueHandle.h"

// Shared between exactly two threads without a lock. Rules, per field:
// - set by the starter before the thread exists, read-only while it runs: transferSize,
//   ringCount, slots, devicePath;
// - written by the transfer thread only: writeIndex, elapsedMs, framesTransferred, result,
//   errorFlag;
// - written by the consumer only: readIndex;
// - stopFlag: the consumer writes 1 to ask for a stop, the thread writes 1 when it ends.
// Each index has one writer and the thread never fills the slot at the read index once the
// consumer has claimed it there (see AdvanceWriteIndex), so no slot is read while it is written.
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
};

// The thread procedure; its only argument is the block.
DWORD WINAPI TransferThreadProc(void* block);

// The consumer side of the index protocol: claims the newest filled slot as the read index
// and returns it. Only valid when at least one filled slot is available.
int ClaimNewestSlot(TransferBlock& block);

// Number of filled slots that the consumer has not taken.
int AvailableSlots(const TransferBlock& block);

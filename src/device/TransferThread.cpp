// Device access layer: the transfer thread that streams frames from the driver into the ring.
#include "device/TransferBlock.h"

#include "device/CommandPacket.h"
#include "device/DeviceResult.h"
#include "device/DriverInterface.h"

namespace {

int Next(int index, int count) {
    return index + 1 >= count ? 0 : index + 1;
}

// Moves the write index to the next slot, stepping over the slot at the read index. The index is
// published before the read index is checked again: if the consumer claimed that slot in between,
// one of the two sides sees the other's store (both are sequentially consistent), and the
// consumer re-checks on its side too, so the thread never fills a slot that is being read.
void AdvanceWriteIndex(TransferBlock& block) {
    const int count = block.ringCount;
    int next = Next(block.writeIndex.load(), count);
    if (next == block.readIndex.load()) next = Next(next, count);
    block.writeIndex.store(next);
    while (next == block.readIndex.load()) {
        next = Next(next, count);
        block.writeIndex.store(next);
    }
}

// Reads frames until asked to stop or until the transfer fails; returns the frames counted.
int StreamFrames(TransferBlock& block, HANDLE device) {
    int frames = 0;
    bool shortReadAllowed = true; // a run forgives one short read in all
    const CommandPacket startFrame = MakePacket(CMD_START_FRAME);
    while (block.stopFlag.load() == 0 && block.result.load() != TVK_TRANSFER_FAILED) {
        // The start packet's outcome is not needed: a camera that missed it fails the read.
        CommandPacket packet = startFrame;
        FrameTruth truth = block.truthSource->Begin(); // the settings this transfer starts with
        driver::TransferOnPipe(device, driver::IOCTL_CAM_PIPE_OUT_DIRECT, driver::PIPE_COMMAND,
                               packet.data(), driver::kPacketBytes);
        FrameSlot& slot = block.slots[block.writeIndex.load()];
        const driver::Outcome outcome =
            driver::TransferOnPipe(device, driver::IOCTL_CAM_PIPE_IN_DIRECT, driver::PIPE_IMAGE,
                                   slot.data(), block.transferSize);
        block.truthSource->Complete(truth, TruthFlagsOf(outcome));
        slot.truth = truth;
        if (outcome == driver::Outcome::Short && shortReadAllowed) {
            shortReadAllowed = false;
            continue; // the same slot again; the short frame is counted lost
        }
        ++frames;
        if (outcome == driver::Outcome::Complete) {
            // Newest before the count: a consumer that sees the count finds this frame or a newer.
            block.newestFrame.store(static_cast<std::uint64_t>(frames) << 32 |
                                    static_cast<std::uint32_t>(block.writeIndex.load()));
        } else {
            // Flagged before the count, so that a consumer who sees the count also sees the
            // failure; the failed slot never becomes the newest.
            block.result.store(TVK_TRANSFER_FAILED);
            block.errorFlag.store(1);
        }
        // A failed slot is counted and signalled too, so a waiting consumer wakes and sees the
        // error flag on its next poll.
        block.framesTransferred.store(frames);
        AdvanceWriteIndex(block);
        SetEvent(block.frameReady.get());
    }
    return frames;
}

} // namespace

std::uint32_t TruthFlagsOf(driver::Outcome outcome) {
    switch (outcome) {
    case driver::Outcome::Complete: return kFrameComplete;
    case driver::Outcome::Short: return kFrameShort;
    default: return kFrameFailed;
    }
}

DWORD WINAPI TransferThreadProc(void* argument) {
    TransferBlock& block = *static_cast<TransferBlock*>(argument);
    int frames = 0;
    {
        UniqueHandle device = driver::OpenDevice(block.devicePath);
        if (!device) {
            block.result.store(TVK_NO_DEVICE);
        } else {
            const DWORD start = GetTickCount();
            block.result.store(TVK_OK);
            frames = StreamFrames(block, device.get());
            block.elapsedMs.store(GetTickCount() - start);
        }
    }
    block.framesTransferred.store(frames);
    block.errorFlag.store(block.result.load() == TVK_TRANSFER_FAILED ? 1 : 0);
    block.stopFlag.store(1);
    // Last touch of the block: after this the owner may free it.
    SetEvent(block.finished.get());
    return 0;
}

bool HasNewFrame(const TransferBlock& block) {
    return block.framesTransferred.load() != block.takenFrames;
}

int ClaimNewestSlot(TransferBlock& block) {
    for (;;) {
        const std::uint64_t newestFrame = block.newestFrame.load();
        const int newest = static_cast<int>(newestFrame & 0xFFFFFFFFu);
        block.readIndex.store(newest);
        // The thread moved onto the slot just claimed before it could see the claim: it may be
        // refilling it, and has published a newer frame first; take that one instead.
        if (block.writeIndex.load() != newest || block.stopFlag.load() == 1) {
            block.claimedFrames = static_cast<int>(newestFrame >> 32);
            return newest;
        }
        SwitchToThread(); // the thread is between publishing a frame and moving on
    }
}

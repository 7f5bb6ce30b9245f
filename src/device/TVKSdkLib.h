// Device access layer: the device object that names, finds and opens cameras, sends command
// packets, streams frames into a ring of slots and reaches registers and the serial ROM.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "device/CommandPacket.h"
#include "device/DeviceResult.h"
#include "device/DriverInterface.h"
#include "device/FrameRing.h"
#include "device/FrameTruth.h"
#include "device/TransferBlock.h"
#include "support/CriticalSection.h"
#include "support/UniqueHandle.h"

// Transfer length of a frame geometry: total width × (y offset + height) pixels, rounded up to
// a multiple of 1024. Negative or overflowing input gives -1.
std::int64_t TransferLengthFor(int totalWidth, int yOffset, int height);

// Device operations return a DeviceResult (0 = success) unless their comment says otherwise.
// The object is used from one caller thread plus its own transfer thread; the consumer calls
// (PollFrame, ReadFrame) may come from a second thread of the caller's (the camera's worker).
class CTVKSdkLib {
  public:
    static constexpr int kMaxDevices = 32;
    static constexpr DWORD kPollTimeoutMs = 6000;
    static constexpr int kDefaultTimeoutMs = 3000;

    CTVKSdkLib();
    CTVKSdkLib(const CTVKSdkLib&) = delete;
    CTVKSdkLib& operator=(const CTVKSdkLib&) = delete;

    // One multi-packet sequence on the camera at a time (a gain, exposure, window, clock or
    // trigger change, the sensor start-up, a register read and its reply): the worker's automatic
    // control, a settings dialog and the application's threads all program the sensor, and
    // interleaved packets would leave a mix of two settings in it. Held only for the sequence,
    // never while waiting for a frame or a thread; a sequence may run others inside it.
    CriticalSection& SequenceLock() { return m_sequenceLock; }

    // ---- Virtual operations, in their fixed order ----

    // Copies the frame window (geometry below) out of `rawFrame`, which holds `rawBytes` bytes,
    // into `destination` as rows of width × pixel bytes (2 in word mode, else 1) that begin
    // `rowStride` bytes apart (0: packed), so that an image buffer takes the rows at its own
    // stride in this one pass; the bytes between rows are left alone. `capacity` is the
    // destination's size in bytes and must hold the last row. 0; 14 for a null or too small
    // destination or a stride shorter than a row; 7 when the raw frame is missing or does not
    // hold the window. Nothing is written on refusal.
    virtual int CopyWindow(void* destination, std::size_t capacity, const void* rawFrame,
                           std::size_t rawBytes, std::size_t rowStride = 0);
    // Stores `value` when it is 0 to 2, else 1. Returns 1.
    virtual int SetVariant(int value);
    // Stores the flag and sends command 10 with byte 1 = the flag. Returns 1.
    virtual int SetWordMode(int on);

    // Stops a running transfer before anything it uses is freed.
    virtual ~CTVKSdkLib();

    // ---- Devices ----

    // Refreshes the presence table by opening every device number's path; the selection does
    // not change. Returns the number of devices present.
    int EnumerateDevices();
    int GetMaxDevices() const { return kMaxDevices; }
    // The presence flag of n (0 to 31) as last enumerated; false for any other n.
    bool IsDevicePresent(int n) const;
    int GetDeviceNumber() const { return m_deviceNumber; }
    // 0, or 22 when n is outside 0 to 32; stores n and forms its device path.
    int SelectDevice(int n);
    // Restores the default geometry and time-out, closes the grab handle, selects n (22 is
    // returned as is) and turns word mode off. 0 or 22.
    int ResetDevice(int n);
    const char* GetDevicePath() const { return m_devicePath; }
    // Whether the selected device's path opens now (the presence table may be older).
    bool IsDeviceReachable() const;
    const char* GetDeviceName() const { return m_deviceName; }

    // ---- Frame geometry and buffers ----

    // Checks (3 width, 4 height, 1 ring count), frees the old buffers, stores the geometry,
    // allocates the raw frame buffer and the ring (7 on failure, nothing kept), then tells the
    // camera the transfer length. 21 while a transfer runs (its ring cannot be freed).
    int SetFrameGeometry(int totalWidth, int xOffset, int width, int totalHeight, int yOffset,
                         int height, int ringCount);
    // Command 9 with the transfer length. Always 1.
    int SetTransferLength();
    // Command 1 on a short-lived handle: 0, 10 or 12.
    int PrepareTransfer();

    // ---- Streaming through the transfer thread ----

    // 0 when the thread runs; 21 when it already does; 7 when there is no ring, or the events
    // or the thread could not be made.
    int StartTransfer();
    // Asks the thread to stop and waits for it; returns its result code (0, 10 or 19), or 0 at
    // once when nothing runs.
    int StopTransfer();
    // POLL_FAILED after a transfer failure or 6000 ms without a frame, POLL_STOPPED when no
    // transfer runs, POLL_NOTHING when woken with nothing to take, POLL_FRAME when the newest
    // frame is ready for ReadFrame (older unread frames are skipped).
    int PollFrame();
    // Copies the window of the frame that PollFrame handed out (see CopyWindow for the
    // destination rule) and its facts into `truth` when given, and moves the read index on.
    // 0, 14 or 7.
    int ReadFrame(void* destination, std::size_t capacity, std::size_t rowStride = 0,
                  FrameTruth* truth = nullptr);
    bool IsTransferRunning() const { return m_transfer.stopFlag.load() == 0; }
    int GetFramesTransferred() const { return m_transfer.framesTransferred.load(); }
    DWORD GetTransferElapsedMs() const { return m_transfer.elapsedMs.load(); }

    // ---- Single frames without the thread ----

    // Reads one frame into the raw frame buffer through the kept-open grab handle: 0; 10 when
    // the handle cannot be opened; 19 when the frame did not arrive in full (the handle is then
    // closed); 7 when there is no raw frame buffer.
    int GrabFrame();
    // Ends a GrabFrame waiting on another thread (for a trigger, up to the time-out) at once; it
    // then fails. Safe from any thread; nothing happens when no grab waits.
    void CancelPendingGrab();
    // Grabs fail at once after a cancel until this is called (by the next start).
    void AllowGrabs();
    // As ReadFrame, from the raw frame buffer.
    int ReadGrabbedFrame(void* destination, std::size_t capacity, std::size_t rowStride = 0,
                         FrameTruth* truth = nullptr);
    void CloseGrabHandle() { m_grabHandle.reset(); }
    bool IsGrabHandleOpen() const { return m_grabHandle.valid(); }
    // Stores ms and sends the driver time-out request on a short-lived handle: 0, 10 or 12.
    int SetTransferTimeout(int ms);
    int GetTransferTimeout() const { return m_timeoutMs; }

    // ---- Frame truth ----

    // Frames delivered and transfers lost since this object was made; the frame id of the newest.
    std::uint64_t GetFramesDelivered() const { return m_truthSource.FramesDelivered(); }
    std::uint64_t GetLostTransfers() const { return m_truthSource.LostTransfers(); }

    // ---- Controller registers and serial ROM (results 1 success, 0 failure) ----

    int WriteControllerRegister(int index, int value);
    // On a failed exchange *value is 0; when the device cannot be opened it is left alone.
    int ReadControllerRegister(int index, std::uint8_t* value);
    // Addresses below 0x1800 (and above 0xFFFF) return 0 at once. On a failed exchange *value is
    // 0; when the device cannot be opened it is left alone.
    int ReadRomByte(int address, std::uint8_t* value);
    // Writes byte `index` (low 8 bits) of the identification area.
    int WriteRomIdByte(int index, int value);

    // ---- State ----

    int GetWordMode() const { return m_wordMode; }
    int GetTotalWidth() const { return m_totalWidth; }
    int GetXOffset() const { return m_xOffset; }
    int GetFrameWidth() const { return m_width; }
    int GetTotalHeight() const { return m_totalHeight; }
    int GetYOffset() const { return m_yOffset; }
    int GetFrameHeight() const { return m_height; }
    int GetTransferLength() const { return m_transferLength; }
    int GetRingCount() const { return m_ringCount; }
    std::size_t GetSlotSize() const { return m_slotSize; }
    int GetVariant() const { return m_variant; }
    int GetLastResult() const { return m_lastResult; }
    // Bytes that CopyWindow writes into packed rows: width × height × pixel bytes.
    std::size_t WindowBytes() const;
    // The raw frame buffer of single-frame grabs (GetSlotSize() bytes), or null.
    const unsigned char* GetRawFrame() const { return m_rawFrame.get(); }

  protected:
    // The model stores its device name here; it serves only to form device paths.
    void StoreDeviceName(const char* name);
    // Keeps the word-mode flag (0 or 1) without telling the camera.
    void StoreWordMode(int on) { m_wordMode = on ? 1 : 0; }
    // The model tells what reached the sensor; every frame read after it carries the value.
    FrameTruthSource& TruthSource() { return m_truthSource; }
    // Opens the device path, sends one packet with IOCTL_CAM_PIPE_IN_DIRECT and closes:
    // 0, 10 (open failed, nothing sent) or 12.
    int SendCommand(const CommandPacket& packet);
    // Sends one packet on the command pipe of an open device; true when the request completed.
    // The packet is taken by value: the request needs a writable buffer.
    static bool SendOn(HANDLE device, CommandPacket packet);

  private:
    void FreeFrameBuffers();
    // Closes a thread that has ended (by itself or on request); waits for it to return.
    void ReapTransferThread();
    DWORD TransferSize() const;

    // ---- Fields, in their fixed order ----
    int m_wordMode = 0; // 1 = two bytes per pixel on the wire and in the buffers
    int m_totalWidth = 1339, m_xOffset = 50, m_width = 1280;
    int m_totalHeight = 1040, m_yOffset = 10, m_height = 1028;
    int m_transferLength = 0;                    // pixels, a multiple of 1024
    std::unique_ptr<unsigned char[]> m_rawFrame; // m_slotSize bytes, receives grabs
    int m_timeoutMs = kDefaultTimeoutMs;
    std::size_t m_slotSize = 0; // 2 × transfer length: room for word mode
    int m_ringCount = 0;
    char m_deviceName[14] = {};
    int m_variant = 0;
    int m_present[kMaxDevices] = {};
    int m_deviceNumber = 0;
    TransferBlock m_transfer;
    int m_lastResult = 0;
    FrameRing m_ring;
    char m_devicePath[driver::kDevicePathBytes] = {};
    UniqueHandle m_grabHandle;
    UniqueHandle m_transferThread;
    CriticalSection m_sequenceLock; // see SequenceLock
    // The grab handle while a read waits on it, for CancelPendingGrab; null otherwise. Written by
    // the grabbing thread under m_pendingGrabLock, so it is never closed while being cancelled.
    HANDLE m_pendingGrab = nullptr;
    bool m_grabsCancelled = false; // under m_pendingGrabLock
    std::mutex m_pendingGrabLock;
    // Numbers and stamps every frame, from the transfer thread and from single grabs.
    FrameTruthSource m_truthSource;
    FrameTruth m_grabTruth; // the frame in the raw frame buffer; the grabbing thread's
};

// Sensor model: capture window, clock and trigger mode.
#include "sensor/Travik380TZ4RDXSdk.h"

namespace {
constexpr int kSubSampleQuarterLines = 2; // the mode that transfers every fourth line
} // namespace

int CTravik380TZ4RDXSdk::SetWindow(int x, int y, int width, int height, int mode) {
    if (x < 0 || y < 0 || width < 4 || height < 3 || x > kSensorWidth - width ||
        y > kSensorHeight - height || static_cast<unsigned>(mode) > 3)
        return 1;
    SequenceLock sequence(*this);
    const int lines = mode == kSubSampleQuarterLines ? height / 4 : height;
    if (lines <= 0) return 1;          // nothing to transfer: the frame buffers cannot be sized
    if (IsTransferRunning()) return 1; // its ring cannot be resized under it

    m_subSampleMode = mode;
    m_windowX = x;
    m_windowY = y;
    m_windowWidth = width;
    m_windowHeight = height;
    WriteSensorRegister(54, mode == kSubSampleQuarterLines ? 9 : 0);

    // The camera learns only a transfer length and streams whole sensor rows from the top: it is
    // asked for every row down to the window's last, and the window is cut out of them on the
    // copy. A quarter-line mode delivers every fourth line, so its window starts a quarter down.
    const int firstLine = mode == kSubSampleQuarterLines ? y / 4 : y;
    if (SetFrameGeometry(kSensorWidth, x, width, firstLine + lines, firstLine, lines, kRingCount) !=
        TVK_OK)
        return 1;
    const std::uint32_t length = static_cast<std::uint32_t>(GetTransferLength());
    for (int i = 0; i < 4; ++i) {
        WriteControllerRegister(CTRL_TRANSFER_LENGTH_0 + i, (length >> (8 * i)) & 0xFF);
        Sleep(5);
    }
    return 0;
}

int CTravik380TZ4RDXSdk::SetClock(int mode) {
    if (mode < 0 || mode >= kClockModes) return 0;
    SequenceLock sequence(*this);
    const int written = WriteControllerRegister(CTRL_CLOCK, mode == 2 ? 3 : mode);
    StartSensor();
    return written;
}

int CTravik380TZ4RDXSdk::GetClock(int* mode) {
    if (mode == nullptr) return 0;
    std::uint8_t value = 0;
    const int read = ReadControllerRegister(CTRL_CLOCK, &value);
    *mode = value == 3 ? 2 : value;
    return read;
}

int CTravik380TZ4RDXSdk::SetTriggerMode(int on) {
    SequenceLock sequence(*this);
    const std::uint8_t flag = on ? 1 : 0;
    // The sensor follows only when the device could be opened, whatever the send's outcome.
    const bool opened =
        SendCommand(MakePacket(CMD_CONTROLLER_WRITE, {CTRL_TRIGGER_MODE, flag})) != TVK_NO_DEVICE;
    if (opened) {
        // Bit 4 of register 32 and the low bits of 33 switch the sensor between free-running
        // and waiting for the trigger.
        std::uint32_t control = 0, timing = 0;
        ReadSensorRegister(32, &control);
        ReadSensorRegister(33, &timing);
        if (flag) {
            WriteSensorRegister(32, control & ~0x10u);
            WriteSensorRegister(33, (timing & ~0x0Fu) + 0x1C);
        } else {
            WriteSensorRegister(32, control | 0x10u);
            WriteSensorRegister(33, (timing & ~0x1Fu) + 1);
        }
    }
    const int written = WriteControllerRegister(CTRL_TRIGGER_MODE, flag);
    return opened && written ? 1 : 0;
}

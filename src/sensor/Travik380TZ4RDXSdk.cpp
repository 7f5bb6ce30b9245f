// Sensor model: construction, the register protocol, gain, exposure, readout select, word mode.
#include "sensor/Travik380TZ4RDXSdk.h"

#include <algorithm>
#include <iterator>

CTravik380TZ4RDXSdk::CTravik380TZ4RDXSdk() {
    StoreDeviceName(kDeviceName);
    EnumerateDevices();
    OpenCamera(0); // a missing camera is found out by the caller through presence
    SetGain(0);
    SetExposure(0);
    SetReadoutSelect(0);
}

CTravik380TZ4RDXSdk::~CTravik380TZ4RDXSdk() {
    StopTransfer();
}

int CTravik380TZ4RDXSdk::SetWordMode(int on) {
    LockGuard sequence(SequenceLock());
    // The camera's own word-mode command always stays on; the controller register chooses.
    StoreWordMode(on);
    SendCommand(MakePacket(CMD_WORD_MODE, {1}));
    WriteControllerRegister(CTRL_WORD_MODE, on != 0 ? 1 : 0);
    return 1;
}

// ---- Sensor registers ----

int CTravik380TZ4RDXSdk::WriteSensorRegister(int address, std::uint32_t value) {
    if (!IsSensorAddressValid(address)) return 0;
    if (SendCommand(MakeSensorRegisterPacket(address, value)) != TVK_OK) return 0;
    m_shadow[address] = value;
    m_writtenSinceReset.set(static_cast<std::size_t>(address));
    return 1;
}

int CTravik380TZ4RDXSdk::ReadSensorRegister(int address, std::uint32_t* value) const {
    if (value == nullptr || !IsSensorAddressValid(address)) return 0;
    *value = m_shadow[address];
    return 1;
}

CTravik380TZ4RDXSdk::RegisterImage CTravik380TZ4RDXSdk::SaveRegisters() const {
    RegisterImage image;
    std::copy(std::begin(m_shadow), std::end(m_shadow), image.values.begin());
    image.written = m_writtenSinceReset;
    image.gain = m_gain;
    image.exposureValue = m_exposureValue;
    return image;
}

int CTravik380TZ4RDXSdk::RestoreRegisters(const RegisterImage& saved) {
    LockGuard sequence(SequenceLock());
    int failed = 0;
    for (int address = 0; address < kSensorRegisterCount; ++address) {
        const auto slot = static_cast<std::size_t>(address);
        if (!saved.written.test(slot)) continue;
        if (m_writtenSinceReset.test(slot) && m_shadow[address] == saved.values[slot]) continue;
        failed += WriteSensorRegister(address, saved.values[slot]) ? 0 : 1;
    }
    // The exposure registers hold the saved mode again: a change from here starts from it.
    m_gain = saved.gain;
    m_exposureValue = saved.exposureValue;
    return failed;
}

void CTravik380TZ4RDXSdk::WriteSensorRegisters(int first, const std::uint32_t* values, int count) {
    for (int i = 0; i < count; ++i)
        WriteSensorRegister(first + i, values[i]);
}

void CTravik380TZ4RDXSdk::WriteSensorRegisterRange(int first, int last, std::uint32_t value) {
    for (int address = first; address <= last; ++address)
        WriteSensorRegister(address, value);
}

// ---- Gain, exposure, readout select ----

int CTravik380TZ4RDXSdk::SetGain(int gain) {
    LockGuard sequence(SequenceLock());
    const int low = WriteSensorRegister(6, gain & 0x3F);
    const int high = WriteSensorRegister(7, (gain >> 6) & 0x0F);
    if (!low || !high) return 0;
    m_gain = static_cast<std::uint16_t>(gain & 0x3FF);
    TruthSource().NoteGain(m_gain);
    return 1;
}

int CTravik380TZ4RDXSdk::SetExposure(int value) {
    LockGuard sequence(SequenceLock());
    const int v = std::clamp(value, kExposureMin, kExposureMax);
    // Values of 1002 and up run the sensor in its long mode, counted from register 155.
    const bool wasLong = m_exposureValue >= 1002;
    int written = 0;
    if (v <= 1001) {
        if (wasLong) {
            WriteSensorRegister(154, 0);
            WriteSensorRegister(155, 3);
            WriteSensorRegister(157, 1);
            WriteSensorRegister(160, 3);
            WriteSensorRegister(163, 0);
        }
        WriteSensorRegister(158, v & 0x3F);
        WriteSensorRegister(159, (v >> 6) & 0x3F);
        WriteSensorRegister(161, v & 0x3F);
        written = WriteSensorRegister(162, (v >> 6) & 0x3F);
    } else {
        if (!wasLong) {
            static const std::uint32_t kLongMode[] = {1, 0, 1};                // 152 to 154
            static const std::uint32_t kLongTail[] = {0, 0, 3, 0, 1, 3, 0, 1}; // 156 to 163
            WriteSensorRegisters(152, kLongMode, 3);
            WriteSensorRegisters(156, kLongTail, 8);
        }
        written = WriteSensorRegister(155, static_cast<std::uint32_t>(v - 1000));
    }
    if (!written) return 0;
    m_exposureValue = static_cast<std::uint16_t>(v & 0xFFF);
    TruthSource().NoteExposure(ExposureMicroseconds(kExposureMax - v));
    return 1;
}

int CTravik380TZ4RDXSdk::SetReadoutSelect(int value) {
    if (value < 0 || value > 4) return 0;
    const int written = WriteSensorRegister(8, static_cast<std::uint32_t>(value));
    m_readoutSelect = static_cast<std::uint8_t>(value == 4 ? 7 : value);
    return written;
}

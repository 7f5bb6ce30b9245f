// Camera object: sensor registers and the identification area of the serial ROM.
#include "camera/Travik.h"
#include "sensor/Travik380TZ4RDXSdk.h"

namespace {
int Answer(int* ok, int success, int value) {
    if (ok) *ok = success;
    return value;
}
} // namespace

int CTravik::ReadRegister(int address, int* ok) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), Answer(ok, 0, 0);
    std::uint32_t value = 0;
    if (!m_device->ReadSensorRegister(address, &value)) return ReportError(ERR_DEVICE_IO), Answer(ok, 0, 0);
    return Answer(ok, 1, static_cast<int>(value));
}

int CTravik::WriteRegister(int address, int value) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    if (!m_device->WriteSensorRegister(address, static_cast<std::uint32_t>(value)))
        return ReportError(ERR_DEVICE_IO), 0;
    return 1;
}

int CTravik::ReadSromID(int index, int* ok) {
    std::uint8_t value = 0;
    if (!m_device || !m_device->ReadRomByte(0x1800 + (index & 0xFF), &value))
        return PostError(ERR_UNAVAILABLE), Answer(ok, 0, 0);
    return Answer(ok, 1, value);
}

int CTravik::WriteSromID(int index, int value) {
    if (!m_device || !m_device->WriteRomIdByte(index, value)) return PostError(ERR_UNAVAILABLE), 0;
    return 1;
}

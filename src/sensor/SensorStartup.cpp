// Sensor model: opening the camera and the sensor's start-up sequence.
#include "sensor/Travik380TZ4RDXSdk.h"

#include "sensor/SensorTimingProgram.h"

namespace {

const std::uint32_t kAnalogSetup[] = {23, 55, 49, 37, 55, 6, 20, 53, 48, 37, 5, 2}; // 35 to 46
const std::uint32_t kReadoutSetup[] = {0x000001, 0x220001, 0x2E0001, 0x019002,
                                       0x030003, 0x036004, 0x05500D, 0x03600E,
                                       0x0753D5, 0x08F3E9, 0x3E03E9, 0x000000}; // 384 to 395
const std::uint32_t kControlSetup[] = {8, 0, 0, 0, 0, 2, 7};                    // 1 to 7
const std::uint32_t kExposureSetup[] = {51, 0, 0, 29, 1, 2, 0, 0, 0, 0,
                                        0,  0, 1, 0,  0, 3, 0, 1, 4}; // 140 to 158

} // namespace

int CTravik380TZ4RDXSdk::OpenCamera(int deviceNumber) {
    LockGuard sequence(SequenceLock());
    const int reset = ResetDevice(deviceNumber);
    if (reset != TVK_OK) return reset;
    StartSensor();
    SetWindow(0, 0, kSensorWidth, kSensorHeight, 0);
    SetVerticalMirror(0);
    SetTriggerMode(0);
    return TVK_OK;
}

int CTravik380TZ4RDXSdk::PulseControllerReset() {
    if (!WriteControllerRegister(CTRL_RESET, 17)) return 0;
    m_writtenSinceReset.reset(); // the sensor's registers are back at their power-on values
    return WriteControllerRegister(CTRL_RESET, 0);
}

int CTravik380TZ4RDXSdk::StartSensor() {
    LockGuard sequence(SequenceLock());
    WriteSensorRegister(32, 0); // hold the sensor while it is programmed
    PulseControllerReset();
    Sleep(40);
    WriteSensorRegisters(35, kAnalogSetup, 12);
    WriteSensorRegisters(384, kReadoutSetup, 12);
    WriteSensorRegisters(kSensorTimingProgramFirstRegister, kSensorTimingProgram,
                         kSensorTimingProgramLength);
    WriteSensorRegister(0, 0);
    WriteSensorRegisters(1, kControlSetup, 7);
    WriteSensorRegisterRange(8, 27, 0);
    WriteSensorRegister(28, 4);
    WriteSensorRegisterRange(29, 31, 0);
    WriteSensorRegister(33, 0);
    WriteSensorRegister(34, 1);
    WriteSensorRegister(47, 9);
    WriteSensorRegister(48, 0);
    WriteSensorRegister(49, 6);
    WriteSensorRegisterRange(50, 62, 0);
    WriteSensorRegisterRange(64, 139, 0);
    WriteSensorRegisters(140, kExposureSetup, 19);
    WriteSensorRegisterRange(159, 163, 0);
    WriteSensorRegister(32, 11); // run
    WriteSensorRegister(33, 24);
    WriteSensorRegister(34, 5);
    m_exposureValue = kExposureMin; // what the sequence left in the exposure registers
    return 1;
}

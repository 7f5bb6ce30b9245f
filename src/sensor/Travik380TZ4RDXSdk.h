// Sensor model: the Travik380TZ4-RDX device object, which programs the image sensor (start-up,
// window, gain, exposure, clock, trigger mode, word mode) on top of the device access layer.
#pragma once

#include <cstdint>

#include "device/TVKSdkLib.h"
#include "sensor/SensorRegisters.h"

// Model operations return 1 for success and 0 for failure unless their comment says otherwise;
// the device operations inherited from CTVKSdkLib keep their result codes.
class CTravik380TZ4RDXSdk : public CTVKSdkLib {
  public:
    static constexpr char kDeviceName[] = "Tvik380TZ4rdx";
    static constexpr int kSensorWidth = 1280;
    static constexpr int kSensorHeight = 960;
    static constexpr int kRingCount = 4;
    static constexpr int kGainMin = 0;
    static constexpr int kGainMax = 1023;
    static constexpr int kGainDefault = 512;
    static constexpr int kExposureMin = 3;    // the longest exposure: 1000 lines
    static constexpr int kExposureMax = 1003; // the shortest: none
    // Clock modes: 0 = 24 MHz, 1 = 12 MHz, 2 = 40 MHz (controller register value 3).
    static constexpr int kClockModes = 3;

    // Enumerates the devices, opens device 0 (whatever the outcome), then gain 0, exposure 0
    // (stored as 3) and readout select 0.
    CTravik380TZ4RDXSdk();
    ~CTravik380TZ4RDXSdk() override;

    // Stores the flag, sends command 10 with byte 1 = 1 whatever `on` is, then controller
    // register 14 = (on != 0). Returns 1.
    int SetWordMode(int on) override;

    // ---- Sensor registers ----

    // Refuses (0, nothing sent) addresses outside 0 to 1023 and 192 to 255; masks the value to
    // the register's width; on success keeps the unmasked value in the shadow.
    int WriteSensorRegister(int address, std::uint32_t value);
    // The shadow value of the last successful write (0 if none); the sensor is never read.
    int ReadSensorRegister(int address, std::uint32_t* value) const;

    // ---- Camera ----

    // ResetDevice(n) (its non-zero code is returned), StartSensor, the full 1280 × 960 window,
    // vertical mirror off, trigger mode off. 0.
    int OpenCamera(int deviceNumber);
    // The start-up sequence; every write is tried even after a failure. Returns 1.
    int StartSensor();
    // Registers 6 and 7 take gain bits 0-5 and 6-9; the gain is kept when both went out.
    int SetGain(int gain);
    // Clamps to 3..1003 and switches between the normal and the long exposure mode as needed.
    int SetExposure(int value);
    // 0, or 1 when refused: x, y ≥ 0, width ≥ 4, height ≥ 3, inside 1280 × 960, mode 0 to 3,
    // and (mode 2) at least one transferred line; 1 also while a transfer runs and when the
    // frame buffers could not be sized. The frame is whole 1280-sample sensor rows from the top
    // down to the window's last row, out of which the copy cuts the window (origin included);
    // mode 2 transfers y / 4 + height / 4 such lines, the window being the last height / 4.
    int SetWindow(int x, int y, int width, int height, int mode);
    // Writes the clock register (mode 2 as 3) and restarts the sensor; the write's result.
    // Modes outside 0 to 2 are refused without touching the camera.
    int SetClock(int mode);
    // Reads the clock register (3 reads as 2).
    int GetClock(int* mode);
    // Trigger mode on (1) or off (0): controller register 11 and sensor registers 32 and 33.
    int SetTriggerMode(int on);
    // 0 to 3 write register 8 = v and keep v; 4 writes 4 and keeps 7; others are refused.
    int SetReadoutSelect(int value);

    // ---- State read back by the camera object ----

    int GetGain() const { return m_gain; }
    int GetExposureValue() const { return m_exposureValue; }
    int GetReadoutSelect() const { return m_readoutSelect; }
    // Mirror flags are stored as 0 or 1 for the camera object; the sensor is not told.
    void SetHorizontalMirror(int on) { m_horizontalMirror = on ? 1 : 0; }
    void SetVerticalMirror(int on) { m_verticalMirror = on ? 1 : 0; }
    int GetHorizontalMirror() const { return m_horizontalMirror; }
    int GetVerticalMirror() const { return m_verticalMirror; }
    int GetWindowX() const { return m_windowX; }
    int GetWindowY() const { return m_windowY; }
    int GetWindowWidth() const { return m_windowWidth; }
    int GetWindowHeight() const { return m_windowHeight; }
    int GetSubSampleMode() const { return m_subSampleMode; }

  private:
    // Controller register 6 = 17, then (if that went out) 0.
    int PulseControllerReset();
    // Writes `count` consecutive registers from `first` with the given values.
    void WriteSensorRegisters(int first, const std::uint32_t* values, int count);
    void WriteSensorRegisterRange(int first, int last, std::uint32_t value);

    // ---- Fields added to the device object, in their fixed order ----
    std::uint16_t m_gain = 0;          // last gain written, 0 to 1023
    std::uint8_t m_readoutSelect = 0;  // value given to SetReadoutSelect
    std::uint16_t m_exposureValue = 0; // last exposure value written, 3 to 1003
    std::uint32_t m_shadow[kSensorRegisterCount] = {};

    int m_horizontalMirror = 0;
    int m_verticalMirror = 0;
    int m_subSampleMode = 0;
    int m_windowX = 0, m_windowY = 0, m_windowWidth = 0, m_windowHeight = 0;
};

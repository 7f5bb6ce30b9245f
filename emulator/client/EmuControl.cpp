// Client of the virtual camera's control device: one choke point and one function per request.
#include "EmuControl.h"

#include <cstring>

namespace travik_emu {

std::string CameraPath(unsigned device) {
    static const char kChars[] = TRAVIK_EMU_DEVICE_CHARS;
    std::string path = TRAVIK_EMU_CAMERA_PATH_PREFIX;
    path += device < sizeof(kChars) - 1 ? kChars[device] : '?';
    return path;
}

ControlDevice::ControlDevice() {
    m_handle = CreateFileA(TRAVIK_EMU_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

ControlDevice::~ControlDevice() {
    if (IsOpen()) CloseHandle(m_handle);
}

bool ControlDevice::Call(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned, bool exactOutput) const {
    if (!IsOpen()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    DWORD bytes = 0;
    if (!DeviceIoControl(m_handle, code, const_cast<void*>(in), inSize, out, outSize, &bytes,
                         nullptr))
        return false;
    if (returned) *returned = bytes;
    if (exactOutput && bytes != outSize) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    return true;
}

namespace {

template <typename Request> bool Send(DWORD code, const Request& request) {
    return ControlDevice().Call(code, &request, sizeof(request), nullptr, 0);
}

template <typename Reply> bool Query(DWORD code, unsigned device, Reply& reply) {
    TravikEmuDeviceRequest request = {device};
    return ControlDevice().Call(code, &request, sizeof(request), &reply, sizeof(reply));
}

bool SetPlugged(unsigned device, unsigned plugged) {
    TravikEmuValueRequest request = {device, plugged};
    return Send(TRAVIK_EMU_IOCTL_SET_PLUGGED, request);
}

} // namespace

bool QueryDriver(TravikEmuDriverInfo& info) {
    return ControlDevice().Call(TRAVIK_EMU_IOCTL_QUERY_DRIVER, nullptr, 0, &info, sizeof(info));
}

bool ResetDevice(unsigned device) {
    return Send(TRAVIK_EMU_IOCTL_RESET_DEVICE, TravikEmuDeviceRequest{device});
}

bool ClearLog(unsigned device) {
    return Send(TRAVIK_EMU_IOCTL_CLEAR_LOG, TravikEmuDeviceRequest{device});
}

bool ReadLog(unsigned device, unsigned count, std::vector<TravikEmuLogEntry>& entries,
             unsigned* total, bool clearAfter) {
    if (count > TRAVIK_EMU_LOG_CAPACITY) count = TRAVIK_EMU_LOG_CAPACITY;
    TravikEmuLogRequest request = {device, count, clearAfter ? TRAVIK_EMU_LOG_CLEAR : 0u};
    std::vector<unsigned char> buffer(sizeof(TravikEmuLogHeader) +
                                      size_t(count) * sizeof(TravikEmuLogEntry));
    // The input record is copied in before the output is written over the same system buffer.
    DWORD returned = 0;
    if (!ControlDevice().Call(TRAVIK_EMU_IOCTL_READ_LOG, &request, sizeof(request), buffer.data(),
                              DWORD(buffer.size()), &returned, false))
        return false;
    TravikEmuLogHeader header;
    memcpy(&header, buffer.data(), sizeof(header));
    if (returned != sizeof(header) + header.count * sizeof(TravikEmuLogEntry)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    entries.resize(header.count);
    if (header.count)
        memcpy(entries.data(), buffer.data() + sizeof(header),
               header.count * sizeof(TravikEmuLogEntry));
    if (total) *total = header.total;
    return true;
}

std::vector<TravikEmuLogEntry> ReadLog(unsigned device, unsigned count) {
    std::vector<TravikEmuLogEntry> entries;
    if (!ReadLog(device, count, entries)) entries.clear();
    return entries;
}

bool ReadStats(unsigned device, TravikEmuStats& stats) {
    return Query(TRAVIK_EMU_IOCTL_READ_STATS, device, stats);
}

bool ReadRegs(unsigned device, TravikEmuRegisters& regs) {
    return Query(TRAVIK_EMU_IOCTL_READ_REGS, device, regs);
}

bool Unplug(unsigned device) {
    return SetPlugged(device, 0);
}
bool Plug(unsigned device) {
    return SetPlugged(device, 1);
}

bool Trigger(unsigned device) {
    return Send(TRAVIK_EMU_IOCTL_TRIGGER, TravikEmuDeviceRequest{device});
}

bool SetPattern(unsigned device, unsigned kind, const std::array<unsigned, 4>& values,
                unsigned seed) {
    TravikEmuPattern request = {device, kind, {values[0], values[1], values[2], values[3]}, seed};
    return Send(TRAVIK_EMU_IOCTL_SET_PATTERN, request);
}

bool SetPatternScene(unsigned device) {
    return SetPattern(device, TRAVIK_EMU_PATTERN_SCENE);
}
bool SetPatternFlat(unsigned device, unsigned value) {
    return SetPattern(device, TRAVIK_EMU_PATTERN_FLAT, {value, 0, 0, 0});
}
bool SetPatternBayer(unsigned device, unsigned r, unsigned g1, unsigned g2, unsigned b) {
    return SetPattern(device, TRAVIK_EMU_PATTERN_BAYER, {r, g1, g2, b});
}
bool SetPatternRamp(unsigned device) {
    return SetPattern(device, TRAVIK_EMU_PATTERN_RAMP);
}
bool SetPatternNoise(unsigned device, unsigned seed) {
    return SetPattern(device, TRAVIK_EMU_PATTERN_NOISE, {}, seed);
}

bool SetPatternFrames(unsigned device, const std::vector<unsigned short>& samples, bool stamp) {
    const size_t frameSamples = TRAVIK_EMU_REPLAY_FRAME_SAMPLES;
    const size_t count = samples.size() / frameSamples;
    if (count == 0 || count * frameSamples != samples.size() ||
        count > TRAVIK_EMU_MAX_REPLAY_FRAMES) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    // One request per frame: a header and the frame's samples right behind it.
    std::vector<unsigned char> request(sizeof(TravikEmuReplayFrame) +
                                       frameSamples * sizeof(unsigned short));
    ControlDevice control;
    for (size_t index = 0; index < count; ++index) {
        const TravikEmuReplayFrame header = {device, static_cast<unsigned>(index),
                                             static_cast<unsigned>(count),
                                             stamp ? TRAVIK_EMU_REPLAY_STAMP : 0u};
        memcpy(request.data(), &header, sizeof(header));
        memcpy(request.data() + sizeof(header), samples.data() + index * frameSamples,
               frameSamples * sizeof(unsigned short));
        if (!control.Call(TRAVIK_EMU_IOCTL_LOAD_REPLAY_FRAME, request.data(),
                          static_cast<DWORD>(request.size()), nullptr, 0))
            return false;
    }
    return true;
}

bool SetPacing(unsigned device, unsigned mode, unsigned milliFps) {
    return Send(TRAVIK_EMU_IOCTL_SET_PACING, TravikEmuPacing{device, mode, milliFps});
}

bool SetPacingOff(unsigned device) {
    return SetPacing(device, TRAVIK_EMU_PACING_OFF);
}

bool SetFault(unsigned device, unsigned kind, unsigned value) {
    return Send(TRAVIK_EMU_IOCTL_SET_FAULT, TravikEmuFault{device, kind, value});
}

bool SetInputBits(unsigned device, unsigned bits) {
    return Send(TRAVIK_EMU_IOCTL_SET_INPUT_BITS, TravikEmuValueRequest{device, bits});
}

bool ReadRom(unsigned device, unsigned address, unsigned count, std::vector<unsigned char>& bytes) {
    TravikEmuRomRequest request = {device, address, count, 0};
    bytes.assign(count ? count : 1, 0);
    if (!ControlDevice().Call(TRAVIK_EMU_IOCTL_READ_ROM, &request, sizeof(request), bytes.data(),
                              count))
        return false;
    bytes.resize(count);
    return true;
}

bool WriteRom(unsigned device, unsigned address, unsigned value) {
    return Send(TRAVIK_EMU_IOCTL_WRITE_ROM, TravikEmuRomRequest{device, address, 0, value});
}

} // namespace travik_emu

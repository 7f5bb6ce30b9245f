// Helpers of the virtual camera tests: a camera handle used the way the SDK uses it, and a fixture.
#include "EmuTestSupport.h"

namespace emu_test {

Packet MakePacket(std::initializer_list<unsigned> bytes) {
    Packet packet = {};
    size_t i = 0;
    for (unsigned b : bytes)
        packet[i++] = static_cast<unsigned char>(b);
    return packet;
}

Camera::Camera(unsigned device) {
    m_handle = CreateFileA(travik_emu::CameraPath(device).c_str(), GENERIC_WRITE, FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) m_openError = GetLastError();
}

Camera::~Camera() {
    if (ok()) CloseHandle(m_handle);
}

bool Camera::Transfer(DWORD code, DWORD pipe, void* data, DWORD length, DWORD* returned) const {
    DWORD bytes = 0;
    BOOL done = DeviceIoControl(m_handle, code, &pipe, sizeof(pipe), data, length, &bytes, nullptr);
    if (returned) *returned = bytes;
    return done != FALSE;
}

bool Camera::Send(const Packet& packet, DWORD code) const {
    Packet copy = packet;
    DWORD returned = 0;
    return Transfer(code, TRAVIK_CAM_PIPE_COMMAND, copy.data(), 64, &returned) && returned == 64;
}

bool Camera::ReadReply(Packet& reply) const {
    DWORD returned = 0;
    return Transfer(kOutDirect, TRAVIK_CAM_PIPE_REPLY, reply.data(), 64, &returned) &&
           returned == 64;
}

bool Camera::SetTimeout(unsigned ms) const {
    unsigned input[11] = {1, ms};
    DWORD returned = 0;
    return DeviceIoControl(m_handle, TRAVIK_CAM_IOCTL_SET_TIMEOUT, input, sizeof(input), nullptr, 0,
                           &returned, nullptr) != FALSE;
}

bool Camera::WriteController(unsigned index, unsigned value) const {
    return Send({0x25, index, value});
}

bool Camera::ReadController(unsigned index, unsigned& value) const {
    Packet ack, data;
    if (!Send({0x26, index}) || !ReadReply(ack) || !ReadReply(data)) return false;
    value = data[0];
    return true;
}

bool Camera::ReadRomByte(unsigned address, unsigned& value) const {
    Packet ack, data;
    if (!Send({0x41, 0x51, 0x02, 0x01, address >> 8, address & 0xFF}) || !ReadReply(ack) ||
        !ReadReply(data))
        return false;
    value = data[0];
    return true;
}

bool Camera::WriteSensor(unsigned address, unsigned value) const {
    unsigned bits = address < 192 ? 6 : address < 384 ? 16 : 22;
    unsigned word = (address & 0x3FF) | ((value & ((1u << bits) - 1)) << 10);
    return Send({4, bits + 10, word & 0xFF, (word >> 8) & 0xFF, (word >> 16) & 0xFF, word >> 24});
}

bool Camera::SetTransferLength(unsigned samples) const {
    return Send({9, samples & 0xFF, (samples >> 8) & 0xFF, (samples >> 16) & 0xFF, samples >> 24});
}

bool Camera::Start(unsigned samples, bool wordMode) const {
    return WriteController(6, 17) && WriteController(6, 0) && WriteSensor(32, 11) &&
           SetTransferLength(samples) && WriteController(14, wordMode ? 1 : 0);
}

bool Camera::ReadFrame(std::vector<unsigned char>& frame, DWORD* returned) const {
    DWORD bytes = 0;
    bool done = Send({2}, kOutDirect) && Transfer(kInDirect, TRAVIK_CAM_PIPE_IMAGE, frame.data(),
                                                  DWORD(frame.size()), &bytes);
    if (returned) *returned = bytes;
    return done;
}

unsigned Sample(const std::vector<unsigned char>& frame, size_t index, bool wordMode) {
    if (!wordMode) return frame.at(index);
    return frame.at(2 * index) | (frame.at(2 * index + 1) << 8);
}

unsigned FrameNumberAt(const std::vector<unsigned char>& frame, size_t row, bool wordMode) {
    const unsigned one = wordMode ? 1023 : 255;
    unsigned number = 0;
    for (unsigned bit = 0; bit < 32; ++bit)
        number = (number << 1) | (Sample(frame, row * kWidth + bit * 8, wordMode) == one);
    return number;
}

unsigned FrameNumber(const std::vector<unsigned char>& frame, size_t samples, bool wordMode) {
    return FrameNumberAt(frame, samples / kWidth - 4, wordMode);
}

TravikEmuStats Stats(unsigned device) {
    TravikEmuStats stats = {};
    EXPECT_TRUE(travik_emu::ReadStats(device, stats)) << "error " << GetLastError();
    return stats;
}

void EmulatorTest::SetUp() {
    TravikEmuDriverInfo info = {};
    ASSERT_TRUE(travik_emu::QueryDriver(info)) << "the virtual camera driver is not running";
    ASSERT_GE(info.deviceCount, kDevices);
    for (unsigned device = 0; device < kDevices; ++device) {
        ASSERT_TRUE(travik_emu::ResetDevice(device));
        ASSERT_TRUE(travik_emu::SetPacingOff(device));
    }
}

void EmulatorTest::TearDown() {
    for (unsigned device = 0; device < kDevices; ++device)
        travik_emu::ResetDevice(device);
}

} // namespace emu_test

// Device access layer: controller registers and the serial ROM, one exchange per open handle.
#include "device/TVKSdkLib.h"

namespace {

// After a request that answers, the camera queues an acknowledgement and then the data reply;
// only the second one counts. Returns true with the reply's byte 0 when it arrived.
bool ReadReply(HANDLE device, std::uint8_t* data) {
    CommandPacket acknowledgement{};
    driver::TransferOnPipe(device, driver::IOCTL_CAM_PIPE_OUT_DIRECT, driver::PIPE_REPLY,
                           acknowledgement.data(), driver::kPacketBytes);
    CommandPacket reply{};
    const bool ok =
        driver::TransferOnPipe(device, driver::IOCTL_CAM_PIPE_OUT_DIRECT, driver::PIPE_REPLY,
                               reply.data(), driver::kPacketBytes) == driver::Outcome::Complete;
    *data = ok ? reply[0] : 0;
    return ok;
}

} // namespace

int CTVKSdkLib::WriteControllerRegister(int index, int value) {
    const CommandPacket packet = MakePacket(
        CMD_CONTROLLER_WRITE, {static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(value)});
    return SendCommand(packet) == TVK_OK ? 1 : 0;
}

int CTVKSdkLib::ReadControllerRegister(int index, std::uint8_t* value) {
    if (value == nullptr) return 0;
    LockGuard sequence(SequenceLock());
    UniqueHandle device = driver::OpenDevice(m_devicePath);
    if (!device) return 0;
    // Replies to a request that never went out would belong to someone else's exchange.
    if (!SendOn(device.get(),
                MakePacket(CMD_CONTROLLER_READ, {static_cast<std::uint8_t>(index)}))) {
        *value = 0;
        return 0;
    }
    return ReadReply(device.get(), value) ? 1 : 0;
}

int CTVKSdkLib::ReadRomByte(int address, std::uint8_t* value) {
    if (value == nullptr || address < kRomIdBase || address > 0xFFFF) return 0;
    LockGuard sequence(SequenceLock());
    UniqueHandle device = driver::OpenDevice(m_devicePath);
    if (!device) return 0;
    if (!SendOn(device.get(), MakeRomReadPacket(static_cast<std::uint16_t>(address)))) {
        *value = 0;
        return 0;
    }
    Sleep(6); // the ROM needs this long before its byte can be fetched
    const bool ok = ReadReply(device.get(), value);
    Sleep(6);
    return ok ? 1 : 0;
}

int CTVKSdkLib::WriteRomIdByte(int index, int value) {
    const int sent = SendCommand(
        MakeRomIdWritePacket(static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(value)));
    if (sent == TVK_NO_DEVICE) return 0;
    Sleep(10); // the ROM's write cycle
    return sent == TVK_OK ? 1 : 0;
}

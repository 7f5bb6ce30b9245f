// Device and sensor tests against the virtual camera: shared helpers.
#include "CameraTestSupport.h"

#include <sstream>

namespace camera_test {

Bytes SensorPacket(int address, std::uint32_t value) {
    const int bits = address < 192 ? 6 : address < 384 ? 16 : 22;
    const std::uint32_t word =
        static_cast<std::uint32_t>(address) | ((value & ((1u << bits) - 1)) << 10);
    return {4,
            static_cast<std::uint8_t>(bits + 10),
            static_cast<std::uint8_t>(word & 0xFF),
            static_cast<std::uint8_t>((word >> 8) & 0xFF),
            static_cast<std::uint8_t>((word >> 16) & 0xFF),
            static_cast<std::uint8_t>(word >> 24)};
}

std::vector<Bytes> LoggedPackets(unsigned device) {
    std::vector<Bytes> packets;
    for (const TravikEmuLogEntry& entry : travik_emu::ReadLog(device))
        packets.emplace_back(entry.packet, entry.packet + 64);
    return packets;
}

TravikEmuStats Stats(unsigned device) {
    TravikEmuStats stats = {};
    EXPECT_TRUE(travik_emu::ReadStats(device, stats));
    return stats;
}

TravikEmuRegisters Registers(unsigned device) {
    TravikEmuRegisters registers = {};
    EXPECT_TRUE(travik_emu::ReadRegs(device, registers));
    return registers;
}

namespace {
std::string Hex(const Bytes& bytes) {
    std::ostringstream out;
    std::size_t last = bytes.size();
    while (last > 1 && bytes[last - 1] == 0)
        --last;
    for (std::size_t i = 0; i < last; ++i)
        out << (i ? " " : "") << std::hex << static_cast<int>(bytes[i]);
    return out.str();
}
} // namespace

testing::AssertionResult PacketsAre(const std::vector<Bytes>& logged,
                                    const std::vector<Bytes>& expected) {
    for (std::size_t i = 0; i < logged.size() && i < expected.size(); ++i) {
        Bytes want = expected[i];
        want.resize(64, 0);
        if (logged[i] != want)
            return testing::AssertionFailure() << "packet " << i << " is [" << Hex(logged[i])
                                               << "], expected [" << Hex(want) << "]";
    }
    if (logged.size() != expected.size())
        return testing::AssertionFailure()
               << logged.size() << " packets logged, expected " << expected.size();
    return testing::AssertionSuccess();
}

std::int64_t FrameNumber(const std::uint8_t* window, int width, int height, int wordMode) {
    if (width < 256 || height < 4) return -1;
    const int pixel = wordMode ? 2 : 1;
    std::int64_t number = -1;
    for (int row = height - 4; row < height; ++row) {
        std::uint32_t value = 0;
        for (int bit = 0; bit < 32; ++bit) {
            int ones = 0;
            for (int i = 0; i < 8; ++i) {
                const std::uint8_t* sample =
                    window + (static_cast<std::size_t>(row) * width + bit * 8 + i) * pixel;
                const int level = wordMode ? sample[0] | (sample[1] << 8) : sample[0];
                if (level == (wordMode ? 1023 : 255))
                    ++ones;
                else if (level != 0)
                    return -1;
            }
            if (ones != 0 && ones != 8) return -1;
            value = (value << 1) | (ones ? 1u : 0u);
        }
        if (number >= 0 && number != value) return -1;
        number = value;
    }
    return number;
}

void CameraTest::SetUp() {
    TravikEmuDriverInfo info = {};
    ASSERT_TRUE(travik_emu::QueryDriver(info)) << "the virtual camera is not running";
    ASSERT_GT(info.deviceCount, kDevice);
    ASSERT_TRUE(travik_emu::ResetDevice(kDevice));
    model = std::make_unique<CTravik380TZ4RDXSdk>();
    ASSERT_TRUE(model->IsDevicePresent(kDevice));
    ASSERT_TRUE(travik_emu::ClearLog(kDevice));
}

void CameraTest::TearDown() {
    model.reset();
    // Other test programs of the run use the same camera: leave it as it was found.
    travik_emu::ResetDevice(kDevice);
}

bool CameraTest::WaitForTransferEnd(DWORD ms) {
    const DWORD start = GetTickCount();
    while (model->IsTransferRunning()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(5);
    }
    return true;
}

} // namespace camera_test

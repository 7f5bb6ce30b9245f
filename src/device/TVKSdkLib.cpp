// Device access layer: device numbers and paths, frame geometry, command packets, window copy.
#include "device/TVKSdkLib.h"

#include <climits>
#include <cstring>
#include <new>

std::int64_t TransferLengthFor(int totalWidth, int yOffset, int height) {
    if (totalWidth < 0 || yOffset < 0 || height < 0) return -1;
    const std::int64_t pixels =
        static_cast<std::int64_t>(totalWidth) * (yOffset + std::int64_t{height});
    const std::int64_t rounded = (pixels + 1023) / 1024 * 1024;
    return rounded > INT_MAX ? -1 : rounded;
}

CTVKSdkLib::CTVKSdkLib() { InitializeCriticalSection(&m_sequenceLock); }

CTVKSdkLib::~CTVKSdkLib() {
    // The thread writes into the ring and reads the device path: both die with this object.
    StopTransfer(); // reaps the thread on every path
    DeleteCriticalSection(&m_sequenceLock);
}

// ---- Virtual operations ----

std::size_t CTVKSdkLib::WindowBytes() const {
    if (m_width <= 0 || m_height <= 0) return 0;
    return static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height) *
           (m_wordMode ? 2u : 1u);
}

int CTVKSdkLib::CopyWindow(void* destination, std::size_t capacity, const void* rawFrame,
                           std::size_t rawBytes, std::size_t rowStride) {
    const std::size_t windowBytes = WindowBytes();
    if (destination == nullptr || windowBytes == 0) return TVK_NO_DESTINATION;
    const std::size_t pixelBytes = m_wordMode ? 2 : 1;
    const std::size_t rowBytes = static_cast<std::size_t>(m_width) * pixelBytes;
    const std::size_t stride = rowStride == 0 ? rowBytes : rowStride;
    if (stride < rowBytes || capacity / stride < static_cast<std::size_t>(m_height - 1) ||
        capacity - stride * (m_height - 1) < rowBytes)
        return TVK_NO_DESTINATION;
    if (rawFrame == nullptr || m_xOffset < 0 || m_yOffset < 0 ||
        m_xOffset + static_cast<std::int64_t>(m_width) > m_totalWidth)
        return TVK_NO_MEMORY;

    const auto* source = static_cast<const unsigned char*>(rawFrame);
    auto* out = static_cast<unsigned char*>(destination);
    if (m_width == m_totalWidth && m_height == m_totalHeight && stride == rowBytes) {
        if (windowBytes > rawBytes) return TVK_NO_MEMORY;
        std::memcpy(out, source, windowBytes);
        return TVK_OK;
    }
    // The last byte read must lie inside the frame buffer, whatever geometry was stored since
    // the buffers were sized.
    const std::uint64_t endPixel =
        (static_cast<std::uint64_t>(m_yOffset) + m_height - 1) * m_totalWidth + m_xOffset + m_width;
    if (endPixel * pixelBytes > rawBytes) return TVK_NO_MEMORY;
    for (int row = 0; row < m_height; ++row) {
        const std::size_t first =
            (static_cast<std::size_t>(m_yOffset + row) * m_totalWidth + m_xOffset) * pixelBytes;
        std::memcpy(out + row * stride, source + first, rowBytes);
    }
    return TVK_OK;
}

int CTVKSdkLib::SetVariant(int value) {
    m_variant = (value >= 0 && value <= 2) ? value : 1;
    return 1;
}

int CTVKSdkLib::SetWordMode(int on) {
    StoreWordMode(on);
    SendCommand(MakePacket(CMD_WORD_MODE, {static_cast<std::uint8_t>(m_wordMode)}));
    return 1;
}

// ---- Devices ----

void CTVKSdkLib::StoreDeviceName(const char* name) {
    std::memset(m_deviceName, 0, sizeof(m_deviceName));
    if (name) std::strncpy(m_deviceName, name, sizeof(m_deviceName) - 1);
}

int CTVKSdkLib::EnumerateDevices() {
    int count = 0;
    for (int n = 0; n < kMaxDevices; ++n) {
        char path[driver::kDevicePathBytes];
        driver::FormatDevicePath(path, m_deviceName, n);
        // The handle closes at once: presence is all that is asked.
        m_present[n] = driver::OpenDevice(path).valid() ? 1 : 0;
        count += m_present[n];
    }
    return count;
}

bool CTVKSdkLib::IsDevicePresent(int n) const {
    return n >= 0 && n < kMaxDevices && m_present[n] != 0;
}

bool CTVKSdkLib::IsDeviceReachable() const {
    return driver::OpenDevice(m_devicePath).valid();
}

int CTVKSdkLib::SelectDevice(int n) {
    if (n < 0 || n > kMaxDevices) return TVK_BAD_DEVICE_NUMBER;
    m_deviceNumber = n;
    driver::FormatDevicePath(m_devicePath, m_deviceName, n);
    return TVK_OK;
}

int CTVKSdkLib::ResetDevice(int n) {
    m_totalWidth = 1339;
    m_xOffset = 50;
    m_width = 1280;
    m_totalHeight = 1040;
    m_yOffset = 10;
    m_height = 1028;
    m_timeoutMs = kDefaultTimeoutMs;
    CloseGrabHandle();
    const int selected = SelectDevice(n);
    if (selected != TVK_OK) return selected;
    SetWordMode(0);
    return TVK_OK;
}

// ---- Geometry and buffers ----

void CTVKSdkLib::FreeFrameBuffers() {
    m_rawFrame.reset();
    m_ring.Free();
    m_slotSize = 0;
    m_transfer.slots = nullptr;
    m_transfer.ringCount = 0;
}

int CTVKSdkLib::SetFrameGeometry(int totalWidth, int xOffset, int width, int totalHeight,
                                 int yOffset, int height, int ringCount) {
    if (IsTransferRunning()) return TVK_ALREADY_RUNNING;
    // Offsets must keep the window inside the frame, or copies would leave the buffers.
    if (totalWidth <= 0 || width <= 0 || totalWidth < width || xOffset < 0 ||
        xOffset > totalWidth - width)
        return TVK_BAD_WIDTH;
    if (totalHeight <= 0 || height <= 0 || yOffset < 0 || yOffset > totalHeight - height)
        return TVK_BAD_HEIGHT;
    if (ringCount < 2) return TVK_RING_TOO_SMALL;

    FreeFrameBuffers();
    m_totalWidth = totalWidth;
    m_xOffset = xOffset;
    m_width = width;
    m_totalHeight = totalHeight;
    m_yOffset = yOffset;
    m_height = height;
    m_ringCount = ringCount;

    const std::int64_t length = TransferLengthFor(totalWidth, yOffset, height);
    if (length < 0 || length > INT_MAX / 2) return TVK_NO_MEMORY;
    m_transferLength = static_cast<int>(length);
    const std::size_t slotSize = static_cast<std::size_t>(length) * 2;

    m_rawFrame.reset(new (std::nothrow) unsigned char[slotSize]());
    if (!m_rawFrame || !m_ring.Allocate(ringCount, slotSize)) {
        FreeFrameBuffers();
        return TVK_NO_MEMORY;
    }
    m_slotSize = slotSize;
    m_transfer.writeIndex.store(0);
    m_transfer.readIndex.store(0);
    SetTransferLength();
    return TVK_OK;
}

int CTVKSdkLib::SetTransferLength() {
    SendCommand(MakeTransferLengthPacket(static_cast<std::uint32_t>(m_transferLength)));
    return 1;
}

int CTVKSdkLib::PrepareTransfer() {
    return SendCommand(MakePacket(CMD_PREPARE));
}

int CTVKSdkLib::SendCommand(const CommandPacket& packet) {
    UniqueHandle device = driver::OpenDevice(m_devicePath);
    if (!device) return TVK_NO_DEVICE;
    return SendOn(device.get(), packet) ? TVK_OK : TVK_SEND_FAILED;
}

bool CTVKSdkLib::SendOn(HANDLE device, CommandPacket packet) {
    return driver::TransferOnPipe(device, driver::IOCTL_CAM_PIPE_IN_DIRECT, driver::PIPE_COMMAND,
                                  packet.data(), driver::kPacketBytes) == driver::Outcome::Complete;
}

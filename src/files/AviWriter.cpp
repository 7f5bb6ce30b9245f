// Image files and recording: the RIFF AVI layout, its index and the fields patched at the end.
#include "files/AviWriter.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr uint32_t FourCC(const char (&code)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(code[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3])) << 24;
}

constexpr uint32_t kFrameChunkId = FourCC("00db");
constexpr uint32_t kHasIndexWasCapture = 0x00010010;
constexpr uint32_t kKeyFrame = 0x10;
constexpr uint32_t kStreamRate = 10000000;

// Little-endian bytes in file order; the records are plain 32- and 16-bit fields, so on the
// little-endian machines Windows runs on they are copied as they are.
class HeaderBytes {
  public:
    void U32(uint32_t value) { Raw(&value, sizeof value); }
    void Code(const char (&code)[5]) { U32(FourCC(code)); }
    void Raw(const void* data, size_t size) {
        std::memcpy(m_bytes + m_size, data, size);
        m_size += size;
    }
    const uint8_t* data() const { return m_bytes; }
    size_t size() const { return m_size; }

  private:
    uint8_t m_bytes[AviWriter::kHeaderBytes] = {};
    size_t m_size = 0;
};

uint32_t ClampToU32(uint64_t value) {
    return static_cast<uint32_t>(std::min<uint64_t>(value, 0xFFFFFFFFu));
}

} // namespace

uint32_t AviWriter::FrameBytes() const {
    const uint64_t rowPitch = (3 * static_cast<uint64_t>(std::max(m_width, 0)) + 3) & ~3ull;
    return ClampToU32(rowPitch * static_cast<uint64_t>(std::max(m_height, 0)));
}

uint32_t AviWriter::MeasuredRate(uint32_t frames, uint32_t elapsedMs) {
    // 64-bit product: in 32 bits frames x 100000 wraps after 42949 frames of a long recording.
    return ClampToU32(static_cast<uint64_t>(frames) * 100000u / std::max(elapsedMs, 1u));
}

void AviWriter::Reset() {
    m_file.Close();
    m_index.clear();
    m_riffCounter = 0;
    m_moviCounter = 0;
    m_moviSizePosition = 0;
    m_mainHeader = {};
    m_streamHeader = {};
    m_format = {};
}

int AviWriter::Begin(const char* path) {
    Reset();
    if (!m_file.Open(path)) return 0;

    const uint32_t frameBytes = FrameBytes();
    const uint32_t rate = std::max(m_frameRate, 1u);
    m_mainHeader.microSecPerFrame = 1000000 / rate;
    m_mainHeader.maxBytesPerSec = ClampToU32((frameBytes + 8ull) * rate);
    m_mainHeader.flags = kHasIndexWasCapture;
    m_mainHeader.totalFrames = m_frameCount;
    m_mainHeader.streams = 1;
    m_mainHeader.suggestedBufferSize = frameBytes + 8;
    m_mainHeader.width = static_cast<uint32_t>(m_width);
    m_mainHeader.height = static_cast<uint32_t>(m_height);

    m_streamHeader.type = FourCC("vids");
    m_streamHeader.handler = FourCC("DIB ");
    m_streamHeader.scale = kStreamRate / rate;
    m_streamHeader.rate = kStreamRate;
    m_streamHeader.length = m_frameCount;
    m_streamHeader.suggestedBufferSize = frameBytes + 8;

    m_format.biSize = sizeof(BITMAPINFOHEADER);
    m_format.biWidth = m_width;
    m_format.biHeight = m_height; // positive: rows bottom-up
    m_format.biPlanes = 1;
    m_format.biBitCount = 24;
    m_format.biCompression = BI_RGB;

    HeaderBytes header;
    header.Code("RIFF");
    header.U32(0); // RIFF size, patched by Finish
    header.Code("AVI ");
    header.Code("LIST");
    header.U32(200);
    header.Code("hdrl");
    header.Code("avih");
    header.U32(sizeof m_mainHeader);
    header.Raw(&m_mainHeader, sizeof m_mainHeader);
    header.Code("LIST");
    header.U32(124);
    header.Code("strl");
    header.Code("strh");
    header.U32(sizeof m_streamHeader);
    header.Raw(&m_streamHeader, sizeof m_streamHeader);
    header.Code("strf");
    header.U32(sizeof m_format);
    header.Raw(&m_format, sizeof m_format);
    header.Code("LIST");
    m_moviSizePosition = static_cast<uint32_t>(header.size());
    header.U32(0); // movi size, patched by Finish
    header.Code("movi");
    m_file.Write(header.data(), static_cast<uint32_t>(header.size()));

    m_riffCounter = kMoviSizeOffset; // everything after the RIFF size field so far
    m_moviCounter = 4;               // the "movi" code
    return 1;
}

int AviWriter::AddFrame(const uint8_t* pixels) {
    if (!IsOpen() || pixels == nullptr) return 0;
    const uint32_t frameBytes = FrameBytes();
    // The file as Finish would leave it with this frame: it must stay describable in 32 bits.
    const uint64_t finishedRiff =
        uint64_t{m_riffCounter} + 8 + frameBytes + 8 + 16 * (uint64_t{m_index.size()} + 1);
    if (finishedRiff > 0xFFFFFFFFu) return 0;
    try {
        m_index.push_back({kFrameChunkId, kKeyFrame, m_moviCounter, frameBytes});
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const uint32_t chunkHeader[2] = {kFrameChunkId, frameBytes};
    m_file.Write(chunkHeader, sizeof chunkHeader);
    m_file.Write(pixels, frameBytes);
    // Frame sizes are multiples of 4, so no pad byte ever follows a chunk.
    m_riffCounter += 8 + frameBytes;
    m_moviCounter += 8 + frameBytes;
    return 1;
}

void AviWriter::Finish() {
    if (!IsOpen()) return;
    const uint32_t frames = FramesWritten();
    const uint32_t indexBytes = 16 * frames;
    const uint32_t indexHeader[2] = {FourCC("idx1"), indexBytes};
    m_file.SeekToEnd();
    m_file.Write(indexHeader, sizeof indexHeader);
    if (frames > 0) m_file.Write(m_index.data(), indexBytes);
    m_riffCounter += 8 + indexBytes;

    m_file.PatchU32(kRiffSizeOffset, m_riffCounter);
    m_file.PatchU32(m_moviSizePosition, m_moviCounter);
    m_file.PatchU32(kTotalFramesOffset, frames);
    m_file.PatchU32(kLengthOffset, frames);

    // The rate field is frames per second x 100; stream rate / scale gives the measured rate.
    const uint32_t rate = std::max(m_frameRate, 1u);
    m_file.PatchU32(kMicroSecPerFrameOffset, 100000000u / rate);
    m_file.PatchU32(kScaleOffset, 1000000000u / rate);
    m_file.PatchU32(kMaxBytesPerSecOffset, ClampToU32((FrameBytes() + 8ull) * rate / 100));
    m_file.Close();
}

// Image files and recording: the RIFF AVI layout, its index and the fields patched at the end.
#include "files/AviWriter.h"

#include "files/FileSizes.h"

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

constexpr uint32_t kDibChunkId = FourCC("00db");
constexpr uint32_t kCompressedChunkId = FourCC("00dc");
constexpr uint32_t kHasIndexWasCapture = 0x00010010;
constexpr uint32_t kKeyFrame = 0x10;
constexpr uint32_t kStreamRate = 10000000;

constexpr uint8_t kIndexOfIndexes = 0;
constexpr uint8_t kIndexOfChunks = 1;

// Little-endian bytes in file order; the records are plain 32- and 16-bit fields, so on the
// little-endian machines Windows runs on they are copied as they are.
class Bytes {
  public:
    void U8(uint8_t value) { m_bytes.push_back(value); }
    void U16(uint16_t value) { Raw(&value, sizeof value); }
    void U32(uint32_t value) { Raw(&value, sizeof value); }
    void U64(uint64_t value) { Raw(&value, sizeof value); }
    void Code(const char (&code)[5]) { U32(FourCC(code)); }
    void Zeros(size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }
    void Raw(const void* data, size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    }
    const uint8_t* data() const { return m_bytes.data(); }
    size_t size() const { return m_bytes.size(); }

  private:
    std::vector<uint8_t> m_bytes;
};

using file_sizes::ClampToU32;
using file_sizes::AviLegacyIndexBytes;
using file_sizes::AviStandardIndexBytes;

} // namespace

uint32_t AviWriter::FrameBytes() const {
    return file_sizes::AviFrameBytes(m_width, m_height);
}

uint32_t AviWriter::MeasuredRate(uint32_t frames, uint32_t elapsedMs) {
    return file_sizes::AviMeasuredRate(frames, elapsedMs);
}

uint32_t AviWriter::ChunkId() const {
    return m_codec == Codec::kMjpeg ? kCompressedChunkId : kDibChunkId;
}

uint32_t AviWriter::FramesWritten() const {
    return m_framesBefore + static_cast<uint32_t>(m_index.size());
}

void AviWriter::Reset() {
    m_file.Close();
    m_index.clear();
    m_closedRiffs.clear();
    m_framesBefore = 0;
    m_framesInFirstRiff = 0;
    m_riffStart = 0;
    m_moviStart = 0;
    m_endOfFrames = 0;
    m_frameDataBytes = 0;
    m_largestFrame = 0;
    m_writeFailed = false;
    m_mainHeader = {};
    m_streamHeader = {};
    m_format = {};
}

bool AviWriter::Put(const void* data, size_t size) {
    if (m_file.Write(data, size)) return true;
    m_writeFailed = true;
    return false;
}

int AviWriter::Begin(const FilePath& path) {
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

    const bool mjpeg = m_codec == Codec::kMjpeg;
    m_streamHeader.type = FourCC("vids");
    m_streamHeader.handler = mjpeg ? FourCC("MJPG") : FourCC("DIB ");
    m_streamHeader.scale = kStreamRate / rate;
    m_streamHeader.rate = kStreamRate;
    m_streamHeader.length = m_frameCount;
    m_streamHeader.suggestedBufferSize = frameBytes + 8;

    m_format.biSize = sizeof(BITMAPINFOHEADER);
    m_format.biWidth = m_width;
    m_format.biHeight = m_height; // positive: rows bottom-up
    m_format.biPlanes = 1;
    m_format.biBitCount = 24;
    m_format.biCompression = mjpeg ? FourCC("MJPG") : BI_RGB;
    // What a decoder makes of a frame: a 24-bit picture.
    if (mjpeg) m_format.biSizeImage = frameBytes;

    const uint32_t superIndexBytes = m_layout.SuperIndexBytes();
    Bytes header;
    header.Code("RIFF");
    header.U32(0); // RIFF size, patched by Finish
    header.Code("AVI ");
    header.Code("LIST");
    header.U32(m_layout.MoviSizeOffset() - 4 - 20); // up to the movi LIST
    header.Code("hdrl");
    header.Code("avih");
    header.U32(sizeof m_mainHeader);
    header.Raw(&m_mainHeader, sizeof m_mainHeader);
    header.Code("LIST");
    header.U32(m_layout.OdmlOffset() - 96);
    header.Code("strl");
    header.Code("strh");
    header.U32(sizeof m_streamHeader);
    header.Raw(&m_streamHeader, sizeof m_streamHeader);
    header.Code("strf");
    header.U32(sizeof m_format);
    header.Raw(&m_format, sizeof m_format);
    // Room for the super index and the odml list of a file that gets a second RIFF. Readers skip
    // JUNK, so a file of one RIFF is the plain AVI 1.0 file it would be without them.
    header.Code("JUNK");
    header.U32(superIndexBytes);
    header.Zeros(superIndexBytes);
    header.Code("JUNK");
    header.U32(AviLayout::kOdmlBytes);
    header.Zeros(AviLayout::kOdmlBytes);
    header.Code("LIST");
    header.U32(0); // movi size, patched by Finish
    header.Code("movi");
    try {
        // Allocated now, so that no later step of the recording can run out of room for it.
        m_closedRiffs.reserve(m_layout.superIndexEntries);
    } catch (const std::bad_alloc&) {
        m_file.Close();
        return 0;
    }
    if (!Put(header.data(), header.size())) {
        m_file.Close();
        return 0;
    }
    m_riffStart = 0;
    m_moviStart = m_layout.MoviSizeOffset() + 4;
    m_endOfFrames = m_file.Position();
    return 1;
}

bool AviWriter::FitsInRiff(uint64_t chunkBytes) const {
    // The RIFF as its end would leave it: its frames, its ix00 and, in the first, its idx1.
    const size_t frames = m_index.size() + 1;
    uint64_t bytes = m_endOfFrames - m_riffStart + chunkBytes + AviStandardIndexBytes(frames);
    if (m_closedRiffs.empty()) bytes += AviLegacyIndexBytes(frames);
    return bytes < m_layout.riffLimit;
}

int AviWriter::AddFrame(const uint8_t* pixels) {
    return m_codec == Codec::kDib24 ? AppendFrame(pixels, FrameBytes(), nullptr) : 0;
}

int AviWriter::AddFrameChunk(uint8_t* chunk) {
    return chunk && m_codec == Codec::kDib24 ? AppendFrame(chunk + 8, FrameBytes(), chunk) : 0;
}

int AviWriter::AddCompressedChunk(uint8_t* chunk, uint32_t bytes) {
    return chunk && bytes > 0 && m_codec == Codec::kMjpeg ? AppendFrame(chunk + 8, bytes, chunk)
                                                          : 0;
}

int AviWriter::AppendFrame(const uint8_t* data, uint32_t frameBytes, uint8_t* headerRoom) {
    if (!IsOpen() || data == nullptr || m_writeFailed) return 0;
    // Chunks start on even offsets: an odd frame is followed by a pad byte.
    const uint32_t pad = frameBytes & 1;
    // A new RIFF is kept only with its first frame: without one it would be an empty RIFF that
    // the disk might not even have room to end.
    const bool newRiff = !FitsInRiff(8 + uint64_t{frameBytes} + pad);
    std::vector<AviIndexEntry> previousIndex;
    const uint64_t previous[3] = {m_riffStart, m_moviStart, m_endOfFrames};
    try {
        // The index grows in steps, not by one entry per frame: each step copies it whole.
        if (m_index.size() == m_index.capacity())
            m_index.reserve(std::max<size_t>(256, 2 * m_index.size()));
        if (newRiff) previousIndex = m_index;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (newRiff && !StartNextRiff()) return 0;
    const uint32_t offset = static_cast<uint32_t>(m_endOfFrames - m_moviStart);
    const uint32_t chunkHeader[2] = {ChunkId(), frameBytes};
    bool written;
    if (headerRoom) {
        std::memcpy(headerRoom, chunkHeader, sizeof chunkHeader);
        if (pad) headerRoom[sizeof chunkHeader + frameBytes] = 0;
        written = Put(headerRoom, sizeof chunkHeader + frameBytes + pad);
    } else {
        // Uncompressed frames are multiples of 4 bytes: no pad follows them.
        written = Put(chunkHeader, sizeof chunkHeader) && Put(data, frameBytes);
    }
    if (!written) {
        if (newRiff) {
            // Back to the RIFF before, which Finish ends again.
            m_closedRiffs.pop_back();
            m_framesBefore -= static_cast<uint32_t>(previousIndex.size());
            if (m_closedRiffs.empty()) m_framesInFirstRiff = 0;
            m_index.swap(previousIndex);
            m_riffStart = previous[0];
            m_moviStart = previous[1];
            m_endOfFrames = previous[2];
        }
        // A part of a frame is no frame: the file ends with the last complete one.
        m_file.TruncateAt(m_endOfFrames);
        return 0;
    }
    m_index.push_back({ChunkId(), kKeyFrame, offset, frameBytes});
    m_endOfFrames += 8 + uint64_t{frameBytes} + pad;
    m_frameDataBytes += frameBytes;
    m_largestFrame = std::max(m_largestFrame, frameBytes);
    return 1;
}

bool AviWriter::EndRiff(bool withStandardIndex, RiffIndexEntry& entry) {
    const uint32_t frames = static_cast<uint32_t>(m_index.size());
    bool ok = m_file.SeekTo(m_endOfFrames);
    entry = {m_endOfFrames, static_cast<uint32_t>(AviStandardIndexBytes(frames)), frames};
    if (ok && withStandardIndex) {
        Bytes ix;
        ix.Code("ix00");
        ix.U32(static_cast<uint32_t>(AviStandardIndexBytes(frames) - 8));
        ix.U16(2); // longs per entry
        ix.U8(0);  // index sub-type
        ix.U8(kIndexOfChunks);
        ix.U32(frames);
        ix.U32(ChunkId());
        ix.U64(m_moviStart); // base: each entry's offset is from here to the frame's bytes
        ix.U32(0);
        for (const AviIndexEntry& frame : m_index) {
            ix.U32(frame.offset + 8);
            ix.U32(frame.size); // high bit clear: a key frame
        }
        ok = Put(ix.data(), ix.size());
    }
    const uint64_t moviEnd = m_file.Position();
    if (ok && m_closedRiffs.empty()) {
        const uint32_t indexHeader[2] = {FourCC("idx1"), 16 * frames};
        ok = Put(indexHeader, sizeof indexHeader) &&
             (frames == 0 || Put(m_index.data(), 16 * size_t{frames}));
    }
    const uint64_t riffEnd = m_file.Position();
    return ok && m_file.TruncateAt(riffEnd) &&
           m_file.PatchU32(m_riffStart + kRiffSizeOffset,
                           static_cast<uint32_t>(riffEnd - m_riffStart - 8)) &&
           m_file.PatchU32(m_moviStart - 4, static_cast<uint32_t>(moviEnd - m_moviStart));
}

bool AviWriter::StartNextRiff() {
    // A frame that does not fit even alone, or no room left in the super index for this RIFF
    // and the next: the file ends here.
    if (m_index.empty() || m_closedRiffs.size() + 2 > m_layout.superIndexEntries) return false;
    RiffIndexEntry closed;
    bool ok = EndRiff(true, closed);
    const uint64_t riffStart = m_file.Position();
    if (ok) {
        Bytes header;
        header.Code("RIFF");
        header.U32(0); // patched when this RIFF ends
        header.Code("AVIX");
        header.Code("LIST");
        header.U32(0);
        header.Code("movi");
        ok = Put(header.data(), header.size());
    }
    if (!ok) {
        // The current RIFF stays the last one; Finish writes its end again.
        m_writeFailed = true;
        m_file.TruncateAt(m_endOfFrames);
        return false;
    }
    if (m_closedRiffs.empty()) m_framesInFirstRiff = static_cast<uint32_t>(m_index.size());
    m_closedRiffs.push_back(closed);
    m_framesBefore += static_cast<uint32_t>(m_index.size());
    m_index.clear();
    m_riffStart = riffStart;
    m_moviStart = riffStart + 20;
    m_endOfFrames = m_file.Position();
    return true;
}

bool AviWriter::WriteSuperIndexAndOdml(const RiffIndexEntry& last) {
    Bytes indx;
    indx.Code("indx");
    indx.U32(m_layout.SuperIndexBytes());
    indx.U16(4); // longs per entry
    indx.U8(0);
    indx.U8(kIndexOfIndexes);
    indx.U32(static_cast<uint32_t>(m_closedRiffs.size() + 1));
    indx.U32(ChunkId());
    indx.Zeros(12);
    auto entry = [&indx](const RiffIndexEntry& riff) {
        indx.U64(riff.offset);
        indx.U32(riff.size);
        indx.U32(riff.frames);
    };
    for (const RiffIndexEntry& riff : m_closedRiffs)
        entry(riff);
    entry(last);
    indx.Zeros(16 * (m_layout.superIndexEntries - m_closedRiffs.size() - 1));

    Bytes odml;
    odml.Code("LIST");
    odml.U32(AviLayout::kOdmlBytes);
    odml.Code("odml");
    odml.Code("dmlh");
    odml.U32(AviLayout::kOdmlBytes - 12);
    odml.U32(FramesWritten());
    odml.Zeros(AviLayout::kOdmlBytes - 16);

    const uint64_t back = m_file.Position();
    const bool ok = m_file.SeekTo(AviLayout::kSuperIndexOffset) && Put(indx.data(), indx.size()) &&
                    m_file.SeekTo(m_layout.OdmlOffset()) && Put(odml.data(), odml.size());
    return m_file.SeekTo(back) && ok;
}

bool AviWriter::WriteHeaderFields() {
    const uint32_t frames = FramesWritten();
    // AVI 1.0 readers see the first RIFF only: the main header counts its frames, the stream
    // header and dmlh count them all.
    const uint32_t firstRiffFrames = m_closedRiffs.empty() ? frames : m_framesInFirstRiff;
    // The rate field is frames per second x 100; stream rate / scale gives the measured rate.
    const uint32_t rate = std::max(m_frameRate, 1u);
    // Compressed frames differ in size: a reader's buffer must take the largest, and the rate
    // of bytes follows their mean.
    const bool mjpeg = m_codec == Codec::kMjpeg;
    const uint64_t meanChunk =
        mjpeg ? 8 + (frames ? m_frameDataBytes / frames : 0) : FrameBytes() + 8ull;
    const bool suggested =
        !mjpeg || (m_file.PatchU32(kMainSuggestedBufferOffset, m_largestFrame + 8) &&
                   m_file.PatchU32(kStreamSuggestedBufferOffset, m_largestFrame + 8));
    return suggested && m_file.PatchU32(kTotalFramesOffset, firstRiffFrames) &&
           m_file.PatchU32(kLengthOffset, frames) &&
           m_file.PatchU32(kMicroSecPerFrameOffset, 100000000u / rate) &&
           m_file.PatchU32(kScaleOffset, 1000000000u / rate) &&
           m_file.PatchU32(kMaxBytesPerSecOffset, ClampToU32(meanChunk * rate / 100));
}

int AviWriter::Finish() {
    if (!IsOpen()) return 0;
    for (;;) {
        const bool several = !m_closedRiffs.empty();
        RiffIndexEntry last;
        bool ok = m_file.TruncateAt(m_endOfFrames) && EndRiff(several, last);
        if (ok && several) ok = WriteSuperIndexAndOdml(last);
        ok = ok && WriteHeaderFields();
        if (ok || m_index.empty()) {
            m_file.Close();
            return ok ? 1 : 0;
        }
        // The disk cannot take the indexes: give up the last frame, whose bytes make room for
        // them many times over, and write them again.
        const uint32_t dropped = m_index.back().size;
        m_index.pop_back();
        m_endOfFrames -= 8 + uint64_t{dropped} + (dropped & 1);
        m_frameDataBytes -= dropped;
    }
}

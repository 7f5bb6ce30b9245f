// Image files and recording: the writer of AVI files of uncompressed 24-bit or MJPEG frames.
#pragma once

#include "files/FilePath.h"
#include "files/OutputFile.h"

#include <windows.h>

#include <cstdint>
#include <vector>

// The avih record.
struct AviMainHeader {
    uint32_t microSecPerFrame;
    uint32_t maxBytesPerSec;
    uint32_t paddingGranularity;
    uint32_t flags;
    uint32_t totalFrames;
    uint32_t initialFrames;
    uint32_t streams;
    uint32_t suggestedBufferSize;
    uint32_t width;
    uint32_t height;
    uint32_t reserved[4];
};

// The strh record.
struct AviStreamHeader {
    uint32_t type;
    uint32_t handler;
    uint32_t flags;
    uint16_t priority;
    uint16_t language;
    uint32_t initialFrames;
    uint32_t scale;
    uint32_t rate;
    uint32_t start;
    uint32_t length;
    uint32_t suggestedBufferSize;
    uint32_t quality;
    uint32_t sampleSize;
    int32_t frame[4];
};

// One idx1 entry: the chunk's id, key-frame flag, offset counted from the "movi" code, and size.
struct AviIndexEntry {
    uint32_t chunkId;
    uint32_t flags;
    uint32_t offset;
    uint32_t size;
};

static_assert(sizeof(AviMainHeader) == 56);
static_assert(sizeof(AviStreamHeader) == 64);
static_assert(sizeof(AviIndexEntry) == 16);
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// Where the file's parts go and how large its RIFFs grow. One home for these choices, so that a
// test can make segments small enough to record several of them in a moment.
struct AviLayout {
    // Every RIFF, its 8-byte header included, stays below this: readers that keep to the AVI 1.0
    // convention read the first one as a complete file.
    uint64_t riffLimit = uint64_t{1} << 30;
    // Entries of the super index reserved in the header: one per RIFF, so with 1 GB RIFFs the
    // default lets a recording grow to about a terabyte.
    uint32_t superIndexEntries = 1024;

    // The reserved super index (a JUNK chunk until the file has a second RIFF).
    static constexpr uint32_t kSuperIndexOffset = 220;
    uint32_t SuperIndexBytes() const { return 24 + 16 * superIndexEntries; } // after its header
    uint32_t OdmlOffset() const { return kSuperIndexOffset + 8 + SuperIndexBytes(); }
    static constexpr uint32_t kOdmlBytes = 260; // the odml LIST's payload: "odml" and dmlh
    uint32_t MoviSizeOffset() const { return OdmlOffset() + 8 + kOdmlBytes + 4; }
    // Everything up to the first frame chunk.
    uint32_t HeaderBytes() const { return MoviSizeOffset() + 8; }
};

// Writes one video stream of bottom-up 24-bit DIB frames ("DIB ", chunks "00db" of one size), or
// of JPEG frames ("MJPG", chunks "00dc" of their own sizes, padded to an even length), as an
// OpenDML (AVI 2.0) file: the first
// RIFF 'AVI ' holds the headers, its frames and their idx1 index, and stays a complete AVI 1.0
// file; when it is full, 'AVIX' RIFFs follow, each with its own standard index ('ix00'), listed
// in the super index ('indx') of the stream header, with the total frame count in 'dmlh'. A
// recording of a single RIFF keeps the reserved space as JUNK and is a plain AVI 1.0 file.
//
// The caller sets the codec, the frame size and depth, the frame rate field (30) and the frame
// count (0), then Begin, AddFrame (or AddCompressedChunk) per frame and Finish. Every write is
// checked: after a failed one no frame is added, and Finish cuts the file back to the last complete
// frame and writes indexes and headers for the frames it holds. Not thread-safe: one thread at a
// time uses it.
class AviWriter {
  public:
    // Fixed places in the file.
    static constexpr uint32_t kRiffSizeOffset = 4;
    static constexpr uint32_t kHdrlSizeOffset = 16;
    static constexpr uint32_t kMicroSecPerFrameOffset = 32;
    static constexpr uint32_t kMaxBytesPerSecOffset = 36;
    static constexpr uint32_t kTotalFramesOffset = 48;
    static constexpr uint32_t kMainSuggestedBufferOffset = 60;
    static constexpr uint32_t kStrlSizeOffset = 92;
    static constexpr uint32_t kScaleOffset = 128;
    static constexpr uint32_t kLengthOffset = 140;
    static constexpr uint32_t kStreamSuggestedBufferOffset = 144;

    AviWriter() { Reset(); }
    ~AviWriter() { Reset(); }
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // The layout of the files begun from now on.
    void SetLayout(const AviLayout& layout) { m_layout = layout; }
    const AviLayout& Layout() const { return m_layout; }

    // Resets, creates the file (an existing one is truncated in place) and writes the headers
    // with the RIFF and movi sizes 0. 1, or 0 when the file cannot be opened or the header not
    // written (the file is closed then).
    int Begin(const FilePath& path);
    // Appends one frame of FrameBytes() bytes and its index entry, starting a new RIFF first when
    // the current one would pass the limit. 0 when no file is open, a write failed (now or
    // before), the index cannot grow or the super index is full: the caller then finishes the
    // file as it is.
    int AddFrame(const uint8_t* pixels);
    // The same for a frame whose pixels follow 8 bytes of room at `chunk`: the writer puts the
    // chunk header there and sends header and pixels to the file in one write.
    int AddFrameChunk(uint8_t* chunk);
    // The same for a compressed frame of `bytes` after the 8 bytes of room, with one byte more
    // behind it for the pad byte of an odd size.
    int AddCompressedChunk(uint8_t* chunk, uint32_t bytes);
    // Writes the indexes, patches the sizes, frame counts and rate into the header, closes. When
    // the disk cannot take the indexes, frames are dropped from the end until it can. 1 when the
    // file is complete and valid; 0 when no file was open or nothing could be written.
    int Finish();
    // Closes the file if open, empties the indexes, zeroes the counters and the header records.
    void Reset();

    bool IsOpen() const { return m_file.IsOpen(); }
    // A write has failed since Begin.
    bool WriteFailed() const { return m_writeFailed; }
    uint32_t FramesWritten() const;
    // RIFFs the file has so far.
    uint32_t RiffCount() const { return static_cast<uint32_t>(m_closedRiffs.size()) + 1; }
    // Bytes in the file so far, up to the end of the last complete frame.
    uint64_t BytesWritten() const { return m_endOfFrames; }
    // Bytes of one uncompressed frame: the 24-bit row rounded up to a multiple of 4, times the
    // height.
    uint32_t FrameBytes() const;
    // Bytes of frame data in the file so far, chunk headers and pads left out.
    uint64_t FrameDataBytes() const { return m_frameDataBytes; }
    // The rate field for `frames` over `elapsedMs`: frames per second x 100. An elapsed time of
    // 0 counts as 1 ms.
    static uint32_t MeasuredRate(uint32_t frames, uint32_t elapsedMs);
    // For tests: the file behaves as if its disk held only `bytes` (see OutputFile). Set after
    // Begin.
    void LimitFileLength(uint64_t bytes) { m_file.LimitLength(bytes); }

    enum class Codec { kDib24, kMjpeg };

    // Set by the caller before Begin.
    Codec m_codec = Codec::kDib24;
    int m_width = 0;
    int m_height = 0;
    uint16_t m_bits = 0;      // of the camera's output image; the frames are always 24-bit
    uint32_t m_frameRate = 0; // 30 at Begin; the measured rate x 100 at Finish
    uint32_t m_frameCount = 0;

  private:
    // One entry of the super index: where a RIFF's standard index lies, and its frames.
    struct RiffIndexEntry {
        uint64_t offset;
        uint32_t size;
        uint32_t frames;
    };

    bool Put(const void* data, size_t size);
    // Every add: `bytes` of frame at `data`; `headerRoom`, when given, is the 8 bytes before
    // `data`, and the byte after them is free for the pad.
    int AppendFrame(const uint8_t* data, uint32_t bytes, uint8_t* headerRoom);
    // Whether the current RIFF still holds one more chunk of `chunkBytes` (header and pad
    // included) with its indexes.
    bool FitsInRiff(uint64_t chunkBytes) const;
    uint32_t ChunkId() const;
    // Writes the current RIFF's ix00 (when the file has or gets several RIFFs) and idx1 (for the
    // first), then patches its RIFF and movi sizes. The ix00's super index entry goes to `entry`.
    bool EndRiff(bool withStandardIndex, RiffIndexEntry& entry);
    bool StartNextRiff();
    bool WriteHeaderFields();
    bool WriteSuperIndexAndOdml(const RiffIndexEntry& last);

    AviLayout m_layout;
    OutputFile m_file;
    AviMainHeader m_mainHeader;
    AviStreamHeader m_streamHeader;
    BITMAPINFOHEADER m_format;
    bool m_writeFailed = false;
    // The current RIFF: where it and its movi list start, and its frames, offsets counted from
    // the "movi" code as idx1 counts them.
    uint64_t m_riffStart = 0;
    uint64_t m_moviStart = 0;
    uint64_t m_endOfFrames = 0;
    std::vector<AviIndexEntry> m_index;
    // The RIFFs before the current one.
    std::vector<RiffIndexEntry> m_closedRiffs;
    uint32_t m_framesBefore = 0;      // frames in the closed RIFFs
    uint32_t m_framesInFirstRiff = 0; // once the first RIFF is closed
    uint64_t m_frameDataBytes = 0;    // of every frame in the file
    uint32_t m_largestFrame = 0;      // the largest frame's bytes, for the suggested buffer
};

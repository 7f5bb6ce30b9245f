// Helpers of the file tests: scratch directories, hand-made images and decoders built on the
// same image libraries as the writers, so that every file is read back the way a viewer would.
#pragma once

#include "files/FileWriters.h"

#include <cstdint>
#include <string>
#include <vector>

namespace files_test {

// A fresh directory under the temporary directory, removed with everything in it.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string Path(const std::string& name) const { return m_path + name; }

  private:
    std::string m_path; // with a trailing backslash
};

// An image held in a vector, with the stride of an image buffer of its depth.
struct TestImage {
    int width = 0;
    int height = 0;
    int bits = 0;
    int stride = 0;
    std::vector<uint8_t> bytes;

    TestImage(int width, int height, int bits);
    ImageView View() { return {bytes.data(), width, height, stride, bits}; }
    uint8_t* Row(int memoryRow) { return bytes.data() + static_cast<size_t>(memoryRow) * stride; }
    // Channel c (0-based) of pixel x in memory row y; 8-bit or 16-bit by the depth.
    uint32_t Sample(int x, int y, int c) const;
    void SetSample(int x, int y, int c, uint32_t value);
    int Channels() const { return bits == 16 ? 1 : bits == 48 ? 3 : bits == 64 ? 4 : bits / 8; }
    int SampleBytes() const { return (bits == 16 || bits >= 48) ? 2 : 1; }
};

// A decoded picture: samples of each row top to bottom, channels in file order.
struct Picture {
    int width = 0;
    int height = 0;
    int channels = 0;
    int bitDepth = 0;
    std::vector<uint32_t> samples;
    uint32_t At(int x, int y, int c) const {
        return samples[(static_cast<size_t>(y) * width + x) * channels + c];
    }
};

struct JpegFacts {
    bool ok = false;
    bool progressive = false;
    int components = 0;
    int lumaSampling = 0;            // horizontal sampling factor of the first component
    std::vector<uint16_t> lumaTable; // the first quantisation table, natural order
    Picture picture;
};
JpegFacts ReadJpeg(const std::string& path);
JpegFacts DecodeJpeg(const uint8_t* bytes, size_t size);
// The first quantisation table that the library makes for `quality` with baseline tables.
std::vector<uint16_t> LumaTableFor(int quality);

struct PngFacts {
    bool ok = false;
    int colorType = -1;
    std::vector<std::vector<uint8_t>> rows; // as stored: 16-bit samples big-endian
    Picture picture;
};
PngFacts ReadPng(const std::string& path);

struct TiffFacts {
    bool ok = false;
    std::vector<uint16_t> tags; // in directory order
    uint32_t bitsPerSample = 0, photometric = 0, samplesPerPixel = 0;
    uint64_t stripByteCount = 0;
    uint32_t strips = 0;
    Picture picture;
};
TiffFacts ReadTiff(const std::string& path);

// A BMP file read by hand: rows put top-down, channels in memory order (8-bit: the index).
Picture ReadBmp(const std::string& path);

// An AVI file walked chunk by chunk, with every index checked against the frames it names.
struct AviFacts {
    bool ok = false;                // RIFFs fill the file, chunks lie inside their lists
    std::string problem;            // the first thing found wrong
    std::vector<std::string> forms; // "AVI ", then "AVIX" for each further RIFF
    std::vector<uint32_t> riffSizes;
    uint32_t mainFrames = 0, streamLength = 0, odmlFrames = 0; // odmlFrames 0 when no dmlh
    uint32_t width = 0, height = 0, scale = 0, rate = 0, suggestedBuffer = 0;
    uint64_t moviSizeOffset = 0;  // of the first RIFF's movi list
    std::vector<uint64_t> frames; // file offsets of every frame's bytes, in order
    std::vector<uint32_t> frameSizes; // and their sizes
    std::string chunkId;              // "00db" (uncompressed) or "00dc" (compressed)
    std::vector<uint32_t> framesPerRiff;
    uint32_t frameBytes = 0;           // of the first frame chunk
    bool hasLegacyIndex = false;       // idx1 naming every frame of the first RIFF
    bool hasSuperIndex = false;        // indx naming an ix00 for every RIFF
    bool standardIndexesMatch = false; // every ix00 names exactly its RIFF's frames
    uint32_t FrameCount() const { return static_cast<uint32_t>(frames.size()); }
};
AviFacts ReadAvi(const std::vector<uint8_t>& bytes);
// Holds when the file is a complete AVI: sizes, frame counts and indexes all agree.
bool IsCompleteAvi(const AviFacts& avi);

std::vector<uint8_t> ReadBytes(const std::string& path);
std::vector<uint8_t> ReadBytesW(const std::wstring& path);
void WriteBytes(const std::string& path, size_t count, uint8_t value);
// True when nothing holds the file open any more: it can be opened without sharing.
bool IsClosed(const std::string& path);
uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset);
uint16_t U16At(const std::vector<uint8_t>& bytes, size_t offset);

} // namespace files_test

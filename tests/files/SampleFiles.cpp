// Writes one picture in every depth and file form, and a short AVI, for the native readers check.
// The picture (33 x 17, an odd width) is the same everywhere: red 7 x column, green 14 x row
// counted from the top, blue 100; gray 6 x column + 3 x row. 10-bit samples are 4 x those values.
#include "files/AviWriter.h"
#include "files/ImageFile.h"
#include "imaging/ImageBuffer.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 33;
constexpr int kHeight = 17;

int Red(int x) {
    return 7 * x;
}
int Green(int y) {
    return 14 * y;
}
int Gray(int x, int y) {
    return 6 * x + 3 * y;
}

void Put(uint8_t* p, int value, bool word) {
    p[0] = static_cast<uint8_t>(value);
    if (word) p[1] = static_cast<uint8_t>(value >> 8);
}

// Memory row 0 is the top of the picture: the first row the camera delivers.
bool Fill(ImageBuffer& image, int bits) {
    if (!image.Create(kWidth, kHeight, bits)) return false;
    const bool word = bits == 16 || bits >= 48;
    const int sampleBytes = word ? 2 : 1;
    const int scale = word ? 4 : 1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = image.Pixels() + y * image.Stride() + x * (bits / 8);
            if (bits <= 16) {
                Put(p, Gray(x, y) * scale, word);
                continue;
            }
            Put(p, 100 * scale, word);
            Put(p + sampleBytes, Green(y) * scale, word);
            Put(p + 2 * sampleBytes, Red(x) * scale, word);
        }
    return true;
}

struct Sample {
    int bits;
    const char* name;
    int fileType;
};

const Sample kSamples[] = {
    {8, "gray8.bmp", kFileBmp},         {8, "gray8.jpg", kFileJpeg100},
    {8, "gray8.png", kFilePng},         {8, "gray8.tif", kFileTiff},
    {16, "mono16.jpg", kFileJpeg100},   {16, "mono16.png", kFilePng},
    {16, "mono16.tif", kFileTiff},      {24, "rgb24.bmp", kFileBmp},
    {24, "rgb24.jpg", kFileJpeg100},    {24, "rgb24_q70.jpg", kFileJpeg70},
    {24, "rgb24_q20.jpg", kFileJpeg20}, {24, "rgb24.png", kFilePng},
    {24, "rgb24.tif", kFileTiff},       {32, "rgb32.bmp", kFileBmp},
    {32, "rgb32.jpg", kFileJpeg100},    {32, "rgb32.png", kFilePng},
    {32, "rgb32.tif", kFileTiff},       {48, "rgb48.jpg", kFileJpeg100},
    {48, "rgb48.png", kFilePng},        {48, "rgb48.tif", kFileTiff},
    {64, "rgb64.jpg", kFileJpeg100},    {64, "rgb64.png", kFilePng},
    {64, "rgb64.tif", kFileTiff},
};

// Five frames of the 24-bit picture at 25 frames per second; AVI frames are bottom-up.
bool WriteClip(const std::string& path, const ImageBuffer& picture) {
    AviWriter avi;
    avi.m_width = kWidth;
    avi.m_height = kHeight;
    avi.m_bits = 24;
    avi.m_frameRate = 30;
    avi.m_frameCount = 0;
    if (!avi.Begin(path.c_str())) return false;
    std::vector<uint8_t> frame(avi.FrameBytes());
    const int pitch = static_cast<int>(frame.size()) / kHeight;
    for (int y = 0; y < kHeight; ++y)
        std::copy_n(picture.Pixels() + (kHeight - 1 - y) * picture.Stride(), kWidth * 3,
                    frame.begin() + y * pitch);
    for (int k = 0; k < 5; ++k)
        avi.AddFrame(frame.data());
    avi.m_frameRate = AviWriter::MeasuredRate(5, 200);
    avi.Finish();
    return true;
}

// Long clips: frames of 320 x 240 whose data row r (bottom-up) is filled with (r + k) & 255 in
// frame k, in RIFFs of at most 8 MB. "odml.avi" holds 100 frames in several RIFFs; "cut.avi" is
// a recording that met a full disk in its third RIFF (the disk held 20 MB).
constexpr int kClipWidth = 320;
constexpr int kClipHeight = 240;

bool WriteLongClip(const std::string& path, int frames, uint64_t diskBytes) {
    AviWriter avi;
    AviLayout layout;
    layout.riffLimit = 8u << 20;
    avi.SetLayout(layout);
    avi.m_width = kClipWidth;
    avi.m_height = kClipHeight;
    avi.m_bits = 24;
    avi.m_frameRate = 30;
    avi.m_frameCount = 0;
    if (!avi.Begin(path.c_str())) return false;
    avi.LimitFileLength(diskBytes);
    const int pitch = kClipWidth * 3;
    std::vector<uint8_t> frame(avi.FrameBytes());
    int written = 0;
    for (int k = 0; k < frames; ++k, ++written) {
        for (int r = 0; r < kClipHeight; ++r)
            std::fill_n(frame.begin() + r * pitch, pitch, static_cast<uint8_t>(r + k));
        if (!avi.AddFrame(frame.data())) break;
    }
    avi.m_frameRate = 2500;
    const bool cut = diskBytes != UINT64_MAX;
    return avi.Finish() == 1 && (written == frames) != cut && avi.RiffCount() >= 3;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: files_sample_files DIRECTORY\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "\\";
    int failures = 0;
    for (const Sample& sample : kSamples) {
        ImageBuffer image;
        if (!Fill(image, sample.bits) ||
            !WriteImageFile((dir + sample.name).c_str(), &image, sample.fileType, 10)) {
            std::fprintf(stderr, "files_sample_files: could not write %s\n", sample.name);
            ++failures;
        }
    }
    ImageBuffer picture;
    if (!Fill(picture, 24) || !WriteClip(dir + "clip.avi", picture)) {
        std::fprintf(stderr, "files_sample_files: could not write clip.avi\n");
        ++failures;
    }
    if (!WriteLongClip(dir + "odml.avi", 100, UINT64_MAX)) {
        std::fprintf(stderr, "files_sample_files: could not write odml.avi\n");
        ++failures;
    }
    if (!WriteLongClip(dir + "cut.avi", 1000, 20u << 20)) {
        std::fprintf(stderr, "files_sample_files: could not write cut.avi\n");
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}

// Median time to save a 1280 x 960 24-bit image in each file form, and the size of the file; then
// an AVI of full frames written past 4 GiB as fast as the disk takes it.
#include "files/AviWriter.h"
#include "files/ImageFile.h"
#include "imaging/ImageBuffer.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;
constexpr int kRuns = 15;

// Smooth gradients with a little texture, so the encoders see something like a camera image
// rather than a flat field or pure noise.
void FillCameraLike(ImageBuffer& image) {
    uint32_t noise = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>(noise >> 28);
            uint8_t* p = image.Pixels() + static_cast<size_t>(y) * image.Stride() + x * 3;
            p[0] = static_cast<uint8_t>((x / 5 + grain) & 255);
            p[1] = static_cast<uint8_t>((y / 4 + grain) & 255);
            p[2] = static_cast<uint8_t>(((x + y) / 9 + grain) & 255);
        }
}

double MedianMs(const std::function<void()>& run) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QueryPerformanceCounter(&start);
        run();
        QueryPerformanceCounter(&end);
        times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long long FileBytes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

// 1200 full frames, 4.4 GB: past what one RIFF's 32-bit sizes could hold, so the file is made of
// RIFFs of under 1 GB with their indexes.
void WritePast4GiB(const std::string& path, const ImageBuffer& image, bool keep) {
    constexpr uint32_t kFrames = 1200;
    AviWriter avi;
    avi.m_width = kWidth;
    avi.m_height = kHeight;
    avi.m_bits = 24;
    avi.m_frameRate = 30;
    avi.m_frameCount = 0;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    uint32_t written = 0;
    if (avi.Begin(path.c_str()))
        while (written < kFrames && avi.AddFrame(image.Pixels()))
            ++written;
    avi.m_frameRate = 2500;
    const int finished = avi.Finish();
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    std::printf(
        "  avi past 4 GiB: %u of %u frames, %u RIFFs, %.2f GB in %.1f s (%.0f MB/s), %s%s%s\n",
        written, kFrames, avi.RiffCount(), FileBytes(path) / 1e9, seconds,
        FileBytes(path) / 1e6 / seconds, finished ? "finished" : "NOT FINISHED",
        keep ? ", kept as " : "", keep ? path.c_str() : "");
    if (!keep) DeleteFileA(path.c_str());
}

} // namespace

int main(int argc, char** argv) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "travik_files_bench.";
    ImageBuffer image;
    if (!image.Create(kWidth, kHeight, 24)) {
        std::fprintf(stderr, "files_bench: no image buffer\n");
        return 1;
    }
    FillCameraLike(image);

    struct Form {
        const char* name;
        const char* extension;
        int fileType;
    };
    const Form forms[] = {
        {"bmp", "bmp", kFileBmp},           {"raw", "raw", kFileRaw},
        {"jpeg q100", "jpg", kFileJpeg100}, {"jpeg q70", "jpg", kFileJpeg70},
        {"jpeg q20", "jpg", kFileJpeg20},   {"png", "png", kFilePng},
        {"tiff", "tif", kFileTiff},
    };

    std::printf("files_bench: median of %d saves of a %d x %d 24-bit image\n", kRuns, kWidth,
                kHeight);
    for (const Form& form : forms) {
        const std::string path = base + form.extension;
        const double ms =
            MedianMs([&] { WriteImageFile(path.c_str(), &image, form.fileType, 10); });
        std::printf("  %-10s %9.2f ms %10lld bytes\n", form.name, ms, FileBytes(path));
        DeleteFileA(path.c_str());
    }
    // files_bench --keep FILE keeps the large AVI for a reader such as ffprobe.
    const bool keep = argc == 3 && std::string(argv[1]) == "--keep";
    WritePast4GiB(keep ? argv[2] : base + "avi", image, keep);
    return 0;
}

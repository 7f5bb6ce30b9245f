// Median time to save a 1280 x 960 24-bit image in each file form, and the size of the file.
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

} // namespace

int main() {
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
    return 0;
}

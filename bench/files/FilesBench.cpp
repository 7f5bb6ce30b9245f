// Median time to save a 1280 x 960 24-bit image in each file form, and the size of the file.
#include "files/AviWriter.h"
#include "files/FileWriters.h"

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
std::vector<uint8_t> CameraLikeImage(int stride) {
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * kHeight);
    uint32_t noise = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>(noise >> 28);
            uint8_t* p = pixels.data() + static_cast<size_t>(y) * stride + x * 3;
            p[0] = static_cast<uint8_t>((x / 5 + grain) & 255);
            p[1] = static_cast<uint8_t>((y / 4 + grain) & 255);
            p[2] = static_cast<uint8_t>(((x + y) / 9 + grain) & 255);
        }
    return pixels;
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
    const int stride = (kWidth * 3 + 3) & ~3;
    std::vector<uint8_t> pixels = CameraLikeImage(stride);
    std::vector<uint8_t> scratch(pixels.size());
    const ImageView image{pixels.data(), kWidth, kHeight, stride, 24};

    struct Form {
        const char* name;
        std::string path;
        std::function<void(const char*)> save;
    };
    const Form forms[] = {
        {"raw", base + "raw", [&](const char* p) { WriteRawFile(p, image); }},
        {"jpeg q100", base + "jpg", [&](const char* p) { WriteJpegFile(p, image, 100, 1); }},
        {"jpeg q70", base + "jpg", [&](const char* p) { WriteJpegFile(p, image, 70, 1); }},
        {"jpeg q20", base + "jpg", [&](const char* p) { WriteJpegFile(p, image, 20, 1); }},
        {"png", base + "png",
         [&](const char* p) { WritePngFile(p, pixels.data(), kWidth, kHeight, 24); }},
        {"tiff", base + "tif",
         [&](const char* p) {
             scratch = pixels; // the strip writer packs its buffer in place
             WriteTiffStrip(p, scratch.data(), kWidth, kHeight, stride, {8, 2, 3});
         }},
    };

    std::printf("files_bench: median of %d saves of a %d x %d 24-bit image\n", kRuns, kWidth,
                kHeight);
    for (const Form& form : forms) {
        const double ms = MedianMs([&] { form.save(form.path.c_str()); });
        std::printf("  %-10s %9.2f ms %10lld bytes\n", form.name, ms, FileBytes(form.path));
        DeleteFileA(form.path.c_str());
    }
    return 0;
}

// Running a kernel on each path in turn and comparing the bytes with the reference's.
#pragma once

#include "KernelTestSupport.h"
#include "imaging/kernels/KernelPath.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kernel_test {

// Restores the process's path when a test ends, whatever it forced.
class KernelPathGuard {
  public:
    KernelPathGuard() : m_saved(ActiveKernelPath()) {}
    ~KernelPathGuard() { ForceKernelPath(m_saved); }
    KernelPathGuard(const KernelPathGuard&) = delete;
    KernelPathGuard& operator=(const KernelPathGuard&) = delete;

  private:
    KernelPath m_saved;
};

// One call as the image buffer makes it: the kernels in order, on the rectangle, at (x, y).
struct KernelRun {
    std::vector<PositionedKernel> kernels;
    KernelRect rect;
    int32_t x = 0;
    int32_t y = 0;
    std::vector<int32_t> block;
};

// Runs `run` on a copy of `dst` with the path forced, and returns the destination's bytes.
inline std::vector<uint8_t> Result(KernelPath path, const KernelRun& run, TestImage dst,
                                   const TestImage& src) {
    ForceKernelPath(path);
    std::vector<int32_t> block = run.block;
    for (PositionedKernel kernel : run.kernels) {
        int32_t* pointer = block.data();
        kernel(dst.Data(), src.Data(), run.rect, run.x, run.y, dst.PixelBytes(), src.PixelBytes(),
               dst.Stride(), src.Stride(), block.empty() ? nullptr : &pointer);
    }
    return dst.Bytes();
}

// The vector paths this CPU runs, each compared in turn with the reference.
inline std::vector<KernelPath> VectorPaths() {
    std::vector<KernelPath> paths;
    for (KernelPath path : {KernelPath::Sse2, KernelPath::Avx2})
        if (KernelPathSupported(path)) paths.push_back(path);
    return paths;
}

inline void ExpectSameBytes(const KernelRun& run, const TestImage& dst, const TestImage& src,
                            const std::string& what) {
    const std::vector<uint8_t> reference = Result(KernelPath::Reference, run, dst, src);
    for (KernelPath path : VectorPaths()) {
        const std::vector<uint8_t> fast = Result(path, run, dst, src);
        if (fast == reference) continue; // the byte loop below only names the first difference
        ASSERT_EQ(reference.size(), fast.size());
        for (size_t i = 0; i < reference.size(); ++i)
            ASSERT_EQ(int{fast[i]}, int{reference[i]})
                << KernelPathName(path) << ", " << what << ", byte " << i;
    }
}

// Runs `run` with the path forced on a copy of `image` as both destination and source, and
// returns the image's bytes.
inline std::vector<uint8_t> InPlaceResult(KernelPath path, const KernelRun& run, TestImage image) {
    ForceKernelPath(path);
    std::vector<int32_t> block = run.block;
    for (PositionedKernel kernel : run.kernels) {
        int32_t* pointer = block.data();
        kernel(image.Data(), image.Data(), run.rect, run.x, run.y, image.PixelBytes(),
               image.PixelBytes(), image.Stride(), image.Stride(),
               block.empty() ? nullptr : &pointer);
    }
    return image.Bytes();
}

} // namespace kernel_test

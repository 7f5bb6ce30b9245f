// The frame pipeline after its whole-frame measurements, run in horizontal strips that stay in
// cache (demosaic or gray conversion, then hue and saturation, tones, sharpness and brightness per
// strip), optionally with the strips split across threads.
#pragma once

#include "imaging/kernels/Kernels.h"
#include "imaging/kernels/ToneTable.h"
#include "imaging/pipeline/StripPool.h"
#include "support/NonCopyable.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The pixels of one image: memory row 0 first, rows `stride` bytes apart.
struct PixelPlane {
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
    int32_t pixelBytes = 0;

    uint8_t* Row(int32_t row) const { return pixels + static_cast<ptrdiff_t>(row) * stride; }
    size_t RowPixelBytes() const { return static_cast<size_t>(width) * pixelBytes; }
};

// Where the output image's pixels come from before the filters.
enum class StripSource {
    InPlace,       // the output image is the raw frame itself (monochrome modes)
    Demosaic,      // the raw Bayer frame in `input`, interpolated into the output
    GrayFromColor, // the 24-bit image in `input`, converted into the 8-bit output
};

// A step that changes every pixel of the output in place and reads no neighbour: a kernel with
// its parameter block, or a composed tone table.
struct PixelStep {
    PositionedKernel kernel = nullptr;
    const ToneTable* table = nullptr;
    int32_t block[kGrayGainBlockSize] = {};
    // block[0] is the Bayer phase of memory row 0 (gray gains): each strip gets the phase of its
    // own first row.
    bool bayerPhased = false;
};

// What happens to one frame, in this order: the source, the steps before sharpening, sharpening
// (the output from an unsharpened copy of itself), the steps after it.
struct FramePlan {
    static constexpr int kMaxSteps = 4;

    StripSource source = StripSource::InPlace;
    PixelPlane input;
    PixelPlane output;
    PositionedKernel demosaicInner = nullptr;
    PositionedKernel demosaicEdge = nullptr;
    int32_t demosaicBlock[kDemosaicBlockSize] = {};
    PixelStep before[kMaxSteps];
    int beforeCount = 0;
    PositionedKernel sharpen = nullptr; // null when sharpness is off
    int32_t sharpenBlock[kFilterBlockSize] = {};
    PixelStep after[kMaxSteps];
    int afterCount = 0;

    void AddBefore(const PixelStep& step) { before[beforeCount++] = step; }
    void AddAfter(const PixelStep& step) { after[afterCount++] = step; }
};

// Runs frame plans. Owns the strip threads (made at the first frame that may use more than one
// thread, kept for the next frames, joined by StopThreads and the destructor) and every thread's
// strip scratch, which keeps its size from frame to frame.
class FrameStrips : NonCopyable {
  public:
    FrameStrips();
    ~FrameStrips();

    // The plan over the whole frame on up to `threads` threads: bit for bit what running each
    // step over the whole frame in turn gives, for any number of threads. The planes must not
    // overlap, except that an in-place plan's output is its raw frame. False when memory for the
    // scratch ran out (or a kernel's own did), and the output is then incomplete; threads that
    // cannot be made leave the frame to the calling thread.
    bool Run(const FramePlan& plan, int threads);
    // Mirrors a frame in place, as MirrorFrame does (rows reversed in order when `vertical`,
    // pixels within rows when `horizontal`, each row's padding travelling with it), by swapping
    // pairs of rows and pixels: no copy of the frame. Rows are split across up to `threads`.
    void Mirror(const PixelPlane& frame, bool horizontal, bool vertical, int threads);
    // Joins the strip threads; the next Run that wants them makes them again.
    void StopThreads();
    // Threads of the pool that are running, the caller not counted.
    int WorkerThreads() const { return m_pool ? m_pool->Threads() - 1 : 0; }

    struct Lane; // one thread's strip scratch

  private:
    // The threads to run with: `threads` when they run or could be made, else 1.
    int StartThreads(int threads);
    bool RunRanges(const FramePlan& plan, int threads);

    std::unique_ptr<StripPool> m_pool;
    std::vector<Lane> m_lanes;
    // In-place plans with sharpening across several ranges of rows: the unprocessed rows on both
    // sides of every boundary between ranges, taken before any range changes them.
    std::vector<uint8_t> m_boundaryRows;
};

// The frame pipeline in strips: each thread takes a range of output rows and walks it in strips
// small enough to stay in cache, running every step on a strip before the next strip begins.
#include "imaging/pipeline/FrameStrips.h"

#include "imaging/kernels/DemosaicRows.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <exception>

namespace {

// Rows of one strip: the raw rows, the output rows and the sharpen scratch of a strip of a
// 1280-pixel frame fit in a core's second-level cache together.
constexpr int32_t kStripRows = 32;
// A strip never ends fewer rows than this before its range: the sharpen kernel needs five rows.
constexpr int32_t kShortestStrip = 4;
// Ranges smaller than this are not worth a thread of their own.
constexpr int32_t kShortestRange = 32;
// Frames narrower or lower than this run as one strip: too small to be worth splitting.
constexpr int32_t kSmallestStripedSide = 8;
// The sharpen blur reads two rows above a pixel and one below; the copy of the rows around a
// range boundary keeps two rows on either side.
constexpr int32_t kRowsAboveBlur = 2;
constexpr int32_t kBoundaryRows = 4;
// The border that sharpening leaves unsharpened is two pixels wide.
constexpr int32_t kBorderColumns = 2;
constexpr int32_t kLargestPixelBytes = 8;

struct RowRange {
    int32_t begin;
    int32_t end;
};

// Copies `count` pixels, only the channels that kernels write: the fourth channel of 32-bit and
// 64-bit pixels is left as the destination had it, as the whole-frame steps leave it.
void CopyPixels(uint8_t* to, const uint8_t* from, int32_t count, int32_t pixelBytes) {
    const int32_t written = pixelBytes == 4 ? 3 : pixelBytes == 8 ? 6 : pixelBytes;
    if (written == pixelBytes) {
        std::memcpy(to, from, static_cast<size_t>(count) * pixelBytes);
        return;
    }
    for (int32_t k = 0; k < count; ++k, to += pixelBytes, from += pixelBytes)
        std::memcpy(to, from, static_cast<size_t>(written));
}

int CallKernel(PositionedKernel kernel, const PixelPlane& dst, const PixelPlane& src,
               KernelRect rect, int32_t x, int32_t y, int32_t* block) {
    return kernel(dst.pixels, src.pixels, rect, x, y, static_cast<uint16_t>(dst.pixelBytes),
                  static_cast<uint16_t>(src.pixelBytes), dst.stride, src.stride, &block);
}

// The demosaic block for a rectangle whose first row and column are `top` and `left` of the
// frame: the kernels count parity from the rectangle's origin.
void PhaseFrom(const int32_t* frameBlock, int32_t top, int32_t left, int32_t* block) {
    std::memcpy(block, frameBlock, sizeof(int32_t) * kDemosaicBlockSize);
    block[kDemosaicPhase] = (frameBlock[kDemosaicPhase] & 3) ^ (top & 1) ^ ((left & 1) << 1);
}

// A strip of the frame's rows: how far it runs, given where its range ends.
int32_t StripEnd(int32_t begin, int32_t rangeEnd) {
    const int32_t end = begin + kStripRows;
    return rangeEnd - end < kShortestStrip ? rangeEnd : end;
}

} // namespace

struct FrameStrips::Lane {
    std::vector<uint8_t> sharpenRows; // unsharpened strip rows with the blur's rows around them
};

namespace {

using Lane = FrameStrips::Lane;

// Rows of the sharpen scratch: a strip (with a short tail merged into it) below the four rows
// kept from the strip before; a small frame whole.
constexpr int32_t kSharpenScratchRows = kStripRows + 2 * kShortestStrip + kBoundaryRows;

int32_t SharpenScratchRows(const PixelPlane& out, bool whole) {
    return whole ? out.height : kSharpenScratchRows;
}

// Scratch of a lane, sized by SizeLane before the strips run.
PixelPlane PlaneOn(std::vector<uint8_t>& store, int32_t width, int32_t rows, int32_t stride,
                   int32_t pixelBytes) {
    return PixelPlane{store.data(), width, rows, stride, pixelBytes};
}

void AtLeast(std::vector<uint8_t>& store, size_t bytes) {
    if (store.size() < bytes) store.resize(bytes); // grows once, then kept from frame to frame
}

void SizeLane(Lane& lane, const PixelPlane& out, bool whole) {
    const size_t stride = static_cast<size_t>(out.stride);
    AtLeast(lane.sharpenRows, static_cast<size_t>(SharpenScratchRows(out, whole)) * stride);
}

// One thread's work on one range of output rows.
class RangeRun {
  public:
    RangeRun(const FramePlan& plan, Lane& lane, RowRange range, bool wholeFrame,
             const uint8_t* boundaryAbove, const uint8_t* boundaryBelow)
        : m_plan(plan), m_out(plan.output), m_lane(lane), m_range(range), m_wholeFrame(wholeFrame),
          m_boundaryAbove(boundaryAbove), m_boundaryBelow(boundaryBelow) {}

    void Run() {
        if (m_plan.sharpen && m_out.width > 4 && m_out.height > 4)
            RunSharpened();
        else
            RunUnsharpened();
    }

  private:
    int32_t NextStripEnd(int32_t begin, int32_t end) const {
        return m_wholeFrame ? end : StripEnd(begin, end);
    }

    // Without sharpening every strip is made in the output and finished there.
    void RunUnsharpened() {
        for (int32_t a = m_range.begin; a < m_range.end;) {
            const int32_t b = NextStripEnd(a, m_range.end);
            Produce(RowRange{a, b}, m_out, a);
            RunSteps(m_plan.after, m_plan.afterCount, m_out, a, RowRange{a, b});
            a = b;
        }
    }

    // With sharpening the unsharpened rows are made in the lane's scratch, from two rows above
    // the range to two below it, and each output row is sharpened from them as soon as the rows
    // its blur reads are there. The scratch rolls down the range: it keeps the two rows above
    // the next row to finish and the rows made after it.
    void RunSharpened() {
        const int32_t h = m_out.height;
        const int32_t first = std::max(m_range.begin - kRowsAboveBlur, 0);
        const int32_t last = std::min(m_range.end + kRowsAboveBlur, h);
        const PixelPlane scratch =
            PlaneOn(m_lane.sharpenRows, m_out.width, SharpenScratchRows(m_out, m_wholeFrame),
                    m_out.stride, m_out.pixelBytes);
        int32_t base = first; // the frame row in scratch row 0
        int32_t finished = m_range.begin;
        for (int32_t a = first; a < last;) {
            const int32_t b = NextStripEnd(a, last);
            Produce(RowRange{a, b}, scratch, a - base);
            // A row's blur reads one row below it, and the kernel's rectangle two.
            const int32_t ready = b == last ? m_range.end : std::min(b - 2, m_range.end);
            if (ready > finished) {
                Finish(scratch, base, RowRange{finished, ready});
                finished = ready;
            }
            const int32_t keepFrom = std::max(finished - kRowsAboveBlur, base);
            if (keepFrom > base) {
                std::memmove(scratch.Row(0), scratch.Row(keepFrom - base),
                             static_cast<size_t>(b - keepFrom) * scratch.stride);
                base = keepFrom;
            }
            a = b;
        }
    }

    // Output rows `rows` from the unsharpened rows in scratch (scratch row 0 is frame row base):
    // the kernel sharpens the interior; the frame's two outer rows and columns keep their
    // unsharpened values.
    void Finish(const PixelPlane& scratch, int32_t base, RowRange rows) {
        const int32_t h = m_out.height;
        const int32_t w = m_out.width;
        const size_t pixel = static_cast<size_t>(m_out.pixelBytes);
        for (int32_t i = rows.begin; i < rows.end; ++i) {
            const uint8_t* from = scratch.Row(i - base);
            uint8_t* to = m_out.Row(i);
            if (i < 2 || i > h - 3) {
                CopyPixels(to, from, w, m_out.pixelBytes);
            } else {
                CopyPixels(to, from, kBorderColumns, m_out.pixelBytes);
                CopyPixels(to + (w - 2) * pixel, from + (w - 2) * pixel, kBorderColumns,
                           m_out.pixelBytes);
            }
        }
        const int32_t top = std::max(rows.begin - kRowsAboveBlur, 0);
        const int32_t bottom = std::min(rows.end + kRowsAboveBlur, h);
        int32_t block[kFilterBlockSize];
        std::memcpy(block, m_plan.sharpenBlock, sizeof block);
        CallKernel(m_plan.sharpen, m_out, scratch, KernelRect{0, top - base, w, bottom - base}, 0,
                   top, block);
        RunSteps(m_plan.after, m_plan.afterCount, m_out, rows.begin, rows);
    }

    // The unsharpened output rows `rows` of the frame, made at row `at` of `dest`.
    void Produce(RowRange rows, const PixelPlane& dest, int32_t at) {
        switch (m_plan.source) {
        case StripSource::Demosaic:
            Demosaic(rows, dest, at);
            break;
        case StripSource::GrayFromColor: {
            const PixelPlane& in = m_plan.input;
            CallKernel(GrayFromColor, dest, in, KernelRect{0, rows.begin, in.width, rows.end}, 0,
                       at, nullptr);
            break;
        }
        case StripSource::InPlace:
            if (dest.pixels != m_out.pixels) CopyRawRows(rows, dest, at);
            break;
        }
        RunSteps(m_plan.before, m_plan.beforeCount, dest, at, rows);
    }

    // Raw rows of this range from the frame; the rows beyond it from the copy taken before any
    // range changed them.
    void CopyRawRows(RowRange rows, const PixelPlane& dest, int32_t at) {
        for (int32_t i = rows.begin; i < rows.end; ++i) {
            const uint8_t* from;
            if (i < m_range.begin)
                from = m_boundaryAbove + static_cast<size_t>(i - m_range.begin + 2) * m_out.stride;
            else if (i >= m_range.end)
                from = m_boundaryBelow + static_cast<size_t>(i - m_range.end + 2) * m_out.stride;
            else
                from = m_out.Row(i);
            std::memcpy(dest.Row(at + i - rows.begin), from, m_out.RowPixelBytes());
        }
    }

    // The steps over `rows` of the frame, which lie from row `at` of `image`.
    static void RunSteps(const PixelStep* steps, int count, const PixelPlane& image, int32_t at,
                         RowRange rows) {
        const int32_t height = rows.end - rows.begin;
        for (int k = 0; k < count; ++k) {
            const PixelStep& step = steps[k];
            if (step.table) {
                step.table->Apply(image.Row(at), image.width, height, image.stride,
                                  image.pixelBytes);
                continue;
            }
            int32_t block[kGrayGainBlockSize];
            std::memcpy(block, step.block, sizeof block);
            if (step.bayerPhased) block[0] = (block[0] & 3) ^ (rows.begin & 1);
            CallKernel(step.kernel, image, image, KernelRect{0, at, image.width, at + height}, 0,
                       at, block);
        }
    }

    // Demosaic of the frame rows `rows` into `dest` from row `at`. The interior kernel runs on
    // the strip with two raw rows of context on each side; the border pass sees the whole frame,
    // whose edges fold its reads, and writes the border pixels of the strip's rows alone, so that
    // the strips together do the border work of one whole-frame pass.
    void Demosaic(RowRange rows, const PixelPlane& dest, int32_t at) {
        const PixelPlane& raw = m_plan.input;
        const int32_t h = raw.height;
        const int32_t w = raw.width;
        int32_t block[kDemosaicBlockSize];
        if (rows.begin == 0 && rows.end == h) {
            PhaseFrom(m_plan.demosaicBlock, 0, 0, block);
            CallKernel(m_plan.demosaicInner, dest, raw, KernelRect{0, 0, w, h}, 0, at, block);
            CallKernel(m_plan.demosaicEdge, dest, raw, KernelRect{0, 0, w, h}, 0, at, block);
            return;
        }
        const int32_t top = std::max(rows.begin - 2, 0);
        const int32_t bottom = std::min(rows.end + 2, h);
        PhaseFrom(m_plan.demosaicBlock, top, 0, block);
        CallKernel(m_plan.demosaicInner, dest, raw, KernelRect{0, top, w, bottom}, 0,
                   at + top - rows.begin, block);
        PhaseFrom(m_plan.demosaicBlock, 0, 0, block);
        DemosaicEdgeRows(m_plan.demosaicEdge, dest.pixels, raw.pixels, KernelRect{0, 0, w, h}, 0,
                         at - rows.begin, static_cast<uint16_t>(dest.pixelBytes),
                         static_cast<uint16_t>(raw.pixelBytes), dest.stride, raw.stride, block,
                         rows.begin, rows.end);
    }

    const FramePlan& m_plan;
    const PixelPlane& m_out;
    Lane& m_lane;
    RowRange m_range;
    bool m_wholeFrame; // a small frame, made as one strip
    const uint8_t* m_boundaryAbove;
    const uint8_t* m_boundaryBelow;
};

// Ranges of rows for `threads` threads: two per thread, so that a thread that another process
// slows down leaves its second range to the others, each at least kShortestRange rows.
int32_t RangeCount(const PixelPlane& out, int threads) {
    if (threads <= 1 || out.width < kSmallestStripedSide || out.height < kSmallestStripedSide)
        return 1;
    return std::clamp(out.height / kShortestRange, 1, 2 * threads);
}

RowRange RangeOf(int32_t index, int32_t count, int32_t height) {
    auto boundary = [&](int32_t k) {
        return k == count ? height : static_cast<int32_t>(int64_t{height} * k / count);
    };
    return RowRange{boundary(index), boundary(index + 1)};
}

// Swaps pixel j of `a` with pixel width - 1 - j of `b`, for every j when a and b are two rows,
// for the first half when they are one row (which reverses it).
template <size_t kPixelBytes>
void SwapReversed(uint8_t* a, uint8_t* b, int32_t width, size_t pixelBytes = kPixelBytes) {
    const int32_t count = a == b ? width / 2 : width;
    uint8_t* from = b + static_cast<size_t>(width - 1) * pixelBytes;
    for (int32_t j = 0; j < count; ++j, a += pixelBytes, from -= pixelBytes) {
        uint8_t held[kLargestPixelBytes];
        std::memcpy(held, a, pixelBytes);
        std::memcpy(a, from, pixelBytes);
        std::memcpy(from, held, pixelBytes);
    }
}

// Row `top` of the frame and its mirror partner change places (and pixel order when
// `horizontal`); a row that is its own partner is only reversed.
void MirrorRowPair(const PixelPlane& frame, int32_t top, bool horizontal, bool vertical) {
    uint8_t* a = frame.Row(top);
    uint8_t* b = frame.Row(vertical ? frame.height - 1 - top : top);
    const size_t run = frame.RowPixelBytes();
    if (!horizontal) {
        if (a != b) std::swap_ranges(a, a + frame.stride, b);
        return;
    }
    switch (frame.pixelBytes) {
    case 1:
        SwapReversed<1>(a, b, frame.width);
        break;
    case 2:
        SwapReversed<2>(a, b, frame.width);
        break;
    default:
        SwapReversed<0>(a, b, frame.width, static_cast<size_t>(frame.pixelBytes));
        break;
    }
    if (a != b) std::swap_ranges(a + run, a + frame.stride, b + run); // padding travels too
}

} // namespace

void FrameStrips::Mirror(const PixelPlane& frame, bool horizontal, bool vertical, int threads) {
    if ((!horizontal && !vertical) || !frame.pixels || frame.width < 1 || frame.height < 1 ||
        frame.pixelBytes < 1 || frame.pixelBytes > kLargestPixelBytes)
        return;
    // Each task takes rows whose partners no other task touches: the first half (and the middle
    // row) when rows change places, every row when only pixels do.
    const int32_t rows = vertical ? (frame.height + 1) / 2 : frame.height;
    const int32_t tasks = RangeCount(
        PixelPlane{frame.pixels, frame.width, rows * 2, frame.stride, frame.pixelBytes}, threads);
    threads = tasks > 1 ? StartThreads(threads) : 1;
    auto task = [&](int index, int) {
        const RowRange range = RangeOf(index, tasks, rows);
        for (int32_t top = range.begin; top < range.end; ++top)
            MirrorRowPair(frame, top, horizontal, vertical);
    };
    if (tasks > 1 && threads > 1)
        m_pool->Run(tasks, task);
    else
        for (int index = 0; index < tasks; ++index)
            task(index, 0);
}

FrameStrips::FrameStrips() = default;
FrameStrips::~FrameStrips() = default;

void FrameStrips::StopThreads() {
    m_pool.reset();
}

bool FrameStrips::Run(const FramePlan& plan, int threads) {
    const PixelPlane& out = plan.output;
    if (!out.pixels || out.width < 1 || out.height < 1) return true;
    // Every strip reads the input rows of its own output rows: the two images match in size.
    if (plan.source != StripSource::InPlace &&
        (!plan.input.pixels || plan.input.width != out.width || plan.input.height != out.height))
        return true;
    // A monochrome frame with neutral filters is its raw frame already.
    if (plan.source == StripSource::InPlace && plan.beforeCount == 0 && !plan.sharpen &&
        plan.afterCount == 0)
        return true;
    try {
        return RunRanges(plan, StartThreads(RangeCount(out, threads) > 1 ? threads : 1));
    } catch (const std::bad_alloc&) {
        return false;
    }
}

int FrameStrips::StartThreads(int threads) {
    if (threads <= 1) return 1;
    if (m_pool && m_pool->Threads() == threads) return threads;
    m_pool.reset();
    try {
        m_pool = std::make_unique<StripPool>(threads);
    } catch (const std::exception&) {
        return 1; // no thread could be made: the caller's thread does it all
    }
    return threads;
}

bool FrameStrips::RunRanges(const FramePlan& plan, int threads) {
    const PixelPlane& out = plan.output;
    const int32_t ranges = RangeCount(out, threads);
    const bool whole = out.width < kSmallestStripedSide || out.height < kSmallestStripedSide;
    // Scratch is sized here, on the calling thread, so that no strip thread allocates.
    if (static_cast<int>(m_lanes.size()) < threads) m_lanes.resize(static_cast<size_t>(threads));
    for (int lane = 0; lane < threads; ++lane)
        SizeLane(m_lanes[static_cast<size_t>(lane)], out, whole);

    // An in-place plan that sharpens reads the rows of its neighbours' ranges, which they change:
    // those rows are copied first. Slot k holds the rows around the boundary above range k
    // (slots 0 and `ranges` stand for the frame's edges and are never read).
    const bool boundaries = ranges > 1 && plan.source == StripSource::InPlace && plan.sharpen;
    const size_t boundaryBytes = static_cast<size_t>(kBoundaryRows) * out.stride;
    if (boundaries) {
        const size_t slots = static_cast<size_t>(ranges) + 1;
        if (m_boundaryRows.size() < boundaryBytes * slots)
            m_boundaryRows.resize(boundaryBytes * slots);
        for (int32_t k = 1; k < ranges; ++k) {
            const int32_t row = RangeOf(k, ranges, out.height).begin - kRowsAboveBlur;
            std::memcpy(m_boundaryRows.data() + boundaryBytes * k, out.Row(row), boundaryBytes);
        }
    }
    std::atomic<bool> failed{false};
    auto task = [&](int index, int lane) {
        const RowRange range = whole ? RowRange{0, out.height} : RangeOf(index, ranges, out.height);
        const uint8_t* above = boundaries ? m_boundaryRows.data() + boundaryBytes * index : nullptr;
        const uint8_t* below =
            boundaries ? m_boundaryRows.data() + boundaryBytes * (index + 1) : nullptr;
        // A kernel's own scratch may fail to allocate; nothing may leave a strip thread.
        try {
            RangeRun(plan, m_lanes[static_cast<size_t>(lane)], range, whole, above, below).Run();
        } catch (...) {
            failed = true;
        }
    };
    if (ranges > 1)
        m_pool->Run(ranges, task);
    else
        task(0, 0);
    return !failed;
}

// Bayer demosaic: bilinear interpolation of a raw mosaic into blue, green, red with colour gains.
#include "imaging/kernels/DemosaicCases.h"
#include "imaging/kernels/DemosaicRows.h"
#include "imaging/kernels/KernelTwins.h"
#include "imaging/kernels/PixelArea.h"

#include <climits>
#include <initializer_list>
#include <type_traits>
#include <utility>

namespace {

using demosaic::kCases;
using demosaic::Offset;
using demosaic::ParityCase;

struct Raw8 {
    static constexpr int32_t kSampleBytes = 1;
    static constexpr int32_t kLargestSample = 255;
    static constexpr int32_t kMax = 255;
    static constexpr int64_t kLimit = 524288; // 256 << 11: the first product that overflows 8 bits
    static TRAVIK_HOT_INLINE int32_t Load(const uint8_t* p) { return *p; }
    static TRAVIK_HOT_INLINE void Store(uint8_t* pixel, int channel, int32_t v) {
        pixel[channel] = static_cast<uint8_t>(v);
    }
};

struct Raw16 {
    static constexpr int32_t kSampleBytes = 2;
    static constexpr int32_t kLargestSample = 65535; // a word may hold more than 10 bits
    static constexpr int32_t kMax = 1023;
    static constexpr int64_t kLimit = 2097152; // 1024 << 11
    static TRAVIK_HOT_INLINE int32_t Load(const uint8_t* p) {
        return static_cast<int32_t>(LoadWord(p));
    }
    static TRAVIK_HOT_INLINE void Store(uint8_t* pixel, int channel, int32_t v) {
        StoreWord(pixel + 2 * channel, static_cast<uint32_t>(v));
    }
};

// Gains in 1/128 units: trunc(percent * 1.28), so 100 % is 128. Kept in 64 bits so that no
// percentage a dialog can store makes the products overflow.
struct Gains {
    int64_t red;
    int64_t blue;
};

Gains ReadGains(const int32_t* block) {
    return Gains{static_cast<int64_t>(block[kDemosaicRedGain] * 1.28),
                 static_cast<int64_t>(block[kDemosaicBlueGain] * 1.28)};
}

// The weighted sum is 16 times the interpolated sample; with the gain in 1/128 units the shift
// by 11 divides by both. Products beyond the range saturate, negative gains give 0.
template <class F> TRAVIK_HOT_INLINE int32_t ApplyGain(int32_t weightedSum, int64_t gain) {
    const int64_t product = weightedSum * gain;
    if (product >= F::kLimit) return F::kMax;
    if (product < 0) return 0;
    return static_cast<int32_t>(product >> 11);
}

template <class F, class Sample>
TRAVIK_HOT_INLINE void WritePixel(uint8_t* out, const ParityCase& c, const Gains& gains,
                                  Sample at) {
    const int32_t green = std::min((at(c.green[0]) + at(c.green[1])) >> 1, F::kMax);
    const int32_t red = 9 * at(c.red[0]) + 3 * (at(c.red[1]) + at(c.red[2])) + at(c.red[3]);
    const int32_t blue = 9 * at(c.blue[0]) + 3 * (at(c.blue[1]) + at(c.blue[2])) + at(c.blue[3]);
    F::Store(out, 0, ApplyGain<F>(blue, gains.blue));
    F::Store(out, 1, green);
    F::Store(out, 2, ApplyGain<F>(red, gains.red));
}

struct Phase {
    int32_t rowBit;
    int32_t columnBit;
};

struct Settings {
    Phase phase;
    Gains gains;
};

Settings ReadSettings(const int32_t* block) {
    const int32_t phase = block[kDemosaicPhase] & 3;
    return Settings{Phase{phase & 1, (phase >> 1) & 1}, ReadGains(block)};
}

// One interior row from column `from` on, two pixels per step: the first of each pair has
// parity case kFirst, the second the other column parity of the same row.
template <class F, int kFirst>
void InteriorRow(const PixelArea& a, int32_t i, int32_t from, int32_t to, const Gains& gains) {
    constexpr int kSecond = kFirst ^ 1;
    const uint8_t* rows[4] = {a.SrcRow(i - 2), a.SrcRow(i - 1), a.SrcRow(i), a.SrcRow(i + 1)};
    const ptrdiff_t sb = a.srcBytes;
    const ptrdiff_t columns[4] = {-2 * sb, -sb, 0, sb};
    const ptrdiff_t db = a.dstBytes;
    uint8_t* out = a.DstRow(i);
    int32_t j = from;
    ptrdiff_t base = j * sb;
    auto sampleAt = [&](Offset o) {
        return F::Load(rows[o.row + 2] + base + columns[o.column + 2]);
    };
    for (; j + 1 <= to; j += 2) {
        base = j * sb;
        WritePixel<F>(out + j * db, kCases[kFirst], gains, sampleAt);
        base += sb;
        WritePixel<F>(out + (j + 1) * db, kCases[kSecond], gains, sampleAt);
    }
    if (j <= to) {
        base = j * sb;
        WritePixel<F>(out + j * db, kCases[kFirst], gains, sampleAt);
    }
}

// Where the sample at `index + offset` of a line of `size` samples is read near the border:
// offsets that leave the frame are replaced by offsets of the same parity on the other side.
// Lines shorter than four samples fold back by whole tiles until inside, so that small frames
// are never read out of bounds; a line of one sample has only that sample.
int32_t BorderIndex(int32_t index, int32_t offset, int32_t size) {
    if (index == 0 && offset == -1) offset = 3;
    if (index <= 1 && offset == -2) offset = 2;
    if (index == size - 1 && offset == 1) offset = -3;
    int32_t k = index + offset;
    if (size < 2) return 0;
    while (k < 0)
        k += 2;
    while (k >= size)
        k -= 2;
    return k;
}

// ---- The interior specialised for the pipeline's layouts ----
//
// Packed samples and 3- or 4-channel output pixels, with the pixel sizes, the parity case of each
// column and every sample offset known at compile time, and the gains in 32 bits: the weighted
// sums are at most 16 x the largest sample, so any gain up to kMaxGain cannot overflow, and
// min(product >> 11, maximum) equals the reference's saturation for every product from 0 up.

template <class F> constexpr int64_t kMaxGain = INT32_MAX / (16 * F::kLargestSample);

template <class F, int kDstBytes, int kCase>
TRAVIK_HOT_INLINE void SpecialisedPixel(uint8_t* out, const uint8_t* const* rows, ptrdiff_t j,
                                        int32_t redGain, int32_t blueGain) {
    constexpr ParityCase c = kCases[kCase];
    auto at = [&](Offset o) { return F::Load(rows[o.row + 2] + (j + o.column) * F::kSampleBytes); };
    const int32_t green = std::min((at(c.green[0]) + at(c.green[1])) >> 1, F::kMax);
    const int32_t red = 9 * at(c.red[0]) + 3 * (at(c.red[1]) + at(c.red[2])) + at(c.red[3]);
    const int32_t blue = 9 * at(c.blue[0]) + 3 * (at(c.blue[1]) + at(c.blue[2])) + at(c.blue[3]);
    uint8_t* pixel = out + j * kDstBytes;
    F::Store(pixel, 0, std::min((blue * blueGain) >> 11, F::kMax));
    F::Store(pixel, 1, green);
    F::Store(pixel, 2, std::min((red * redGain) >> 11, F::kMax));
}

// The vector rows the specialised interior takes, chosen once per call from the twins of the
// sample size: none for words beyond ten bits, whose sums the word lanes cannot hold.
struct VectorRows {
    demosaic::InteriorRows pairs; // two rows of 32 columns a step, when the path has them
    demosaic::InteriorRow row;    // then eight columns of one row a step
};

// Output columns from..width-3 of row i from the source rows `rows` (those of row offsets
// -2..1); column `from` has the parity of column 2.
template <class F, int kDstBytes, int kFirst>
void SpecialisedRow(const PixelArea& a, const uint8_t* const rows[4], int32_t i, int32_t from,
                    int32_t redGain, int32_t blueGain, VectorRows vector) {
    constexpr int kSecond = kFirst ^ 1;
    // Column j of the output is written at out + j * kDstBytes, as the sources are read.
    uint8_t* const out = a.DstRow(i);
    const ptrdiff_t last = a.Width() - 3;
    int32_t j = from;
    // Groups of eight columns in vector lanes; the rest here. The vector part stops at an even
    // number of columns from `from`, so j keeps the first case's parity.
    if (vector.row)
        j = vector.row(out, kDstBytes, rows, j, a.Width() - 3, kFirst, redGain, blueGain);
    for (; j + 1 <= last; j += 2) {
        SpecialisedPixel<F, kDstBytes, kFirst>(out, rows, j, redGain, blueGain);
        SpecialisedPixel<F, kDstBytes, kSecond>(out, rows, j + 1, redGain, blueGain);
    }
    if (j <= last) SpecialisedPixel<F, kDstBytes, kFirst>(out, rows, j, redGain, blueGain);
}

// The settings of the specialised rows, checked once per call.
struct SpecialisedSettings {
    Phase phase;
    int32_t redGain;
    int32_t blueGain;
    VectorRows vector;
};

template <class F, int kDstBytes>
void SpecialisedRowOfPhase(const PixelArea& a, const uint8_t* const rows[4], int32_t i,
                           int32_t from, const SpecialisedSettings& s) {
    const int32_t rowOdd = (i + s.phase.rowBit) & 1;
    switch (2 * rowOdd + s.phase.columnBit) {
    case 0:
        SpecialisedRow<F, kDstBytes, 0>(a, rows, i, from, s.redGain, s.blueGain, s.vector);
        break;
    case 1:
        SpecialisedRow<F, kDstBytes, 1>(a, rows, i, from, s.redGain, s.blueGain, s.vector);
        break;
    case 2:
        SpecialisedRow<F, kDstBytes, 2>(a, rows, i, from, s.redGain, s.blueGain, s.vector);
        break;
    default:
        SpecialisedRow<F, kDstBytes, 3>(a, rows, i, from, s.redGain, s.blueGain, s.vector);
        break;
    }
}

// Output row i, and row i + 1 too when `pair`, from the source rows `rows` of row offsets -2..2
// from row i: AVX2 groups of 32 columns over both rows first, then each row's rest.
template <class F, int kDstBytes>
void SpecialisedRows(const PixelArea& a, const uint8_t* const rows[5], int32_t i, bool pair,
                     const SpecialisedSettings& s) {
    int32_t from = 2;
    if (s.vector.pairs) {
        const int firstCase = 2 * ((i + s.phase.rowBit) & 1) + s.phase.columnBit;
        uint8_t* const below = pair ? a.DstRow(i + 1) : nullptr;
        from = s.vector.pairs(a.DstRow(i), below, kDstBytes, rows, from, a.Width() - 3, firstCase,
                              s.redGain, s.blueGain);
    }
    SpecialisedRowOfPhase<F, kDstBytes>(a, rows, i, from, s);
    if (pair) SpecialisedRowOfPhase<F, kDstBytes>(a, rows + 1, i + 1, from, s);
}

template <class F, int kDstBytes>
void SpecialisedInterior(const PixelArea& a, const SpecialisedSettings& s) {
    const int32_t last = a.Height() - 3;
    for (int32_t i = 2; i <= last; i += 2) {
        const bool pair = i + 1 <= last;
        const uint8_t* const rows[5] = {a.SrcRow(i - 2), a.SrcRow(i - 1), a.SrcRow(i),
                                        a.SrcRow(i + 1), a.SrcRow(pair ? i + 2 : i + 1)};
        SpecialisedRows<F, kDstBytes>(a, rows, i, pair, s);
    }
}

// The specialised settings when the path has vector rows and the layout and gains are ones the
// specialised rows cover; false otherwise, and the reference runs instead. Negative gains give 0
// in both, as a gain of 0 does. The word lanes hold the weighted sums of 10-bit samples only:
// `rowSets` pairs of first row and row count name the rows that will be read, and any wider word
// keeps the rows on scalar code.
template <class F>
bool SpecialisedSettingsFor(const PixelArea& a, Phase phase, Gains gains,
                            const DemosaicTwins& twins,
                            std::initializer_list<std::pair<int32_t, int32_t>> rowSets,
                            SpecialisedSettings* out) {
    if (!twins.bytesRow) return false;
    if (a.srcBytes != F::kSampleBytes) return false;
    if (a.dstBytes != 3 * F::kSampleBytes && a.dstBytes != 4 * F::kSampleBytes) return false;
    if (gains.red > kMaxGain<F> || gains.blue > kMaxGain<F>) return false;
    VectorRows vector{twins.bytesRows, twins.bytesRow};
    if constexpr (F::kSampleBytes == 2) {
        bool tenBitWords = true;
        for (const auto& [first, count] : rowSets)
            tenBitWords = tenBitWords &&
                          twins.wordsFitTenBits(a.SrcRow(first), a.Width(), count, a.srcStride);
        vector = tenBitWords ? VectorRows{twins.wordsRows, twins.wordsRow} : VectorRows{};
    }
    *out = SpecialisedSettings{phase, static_cast<int32_t>(std::max<int64_t>(gains.red, 0)),
                               static_cast<int32_t>(std::max<int64_t>(gains.blue, 0)), vector};
    return true;
}

template <class F, class Run> void WithDstBytes(const PixelArea& a, Run run) {
    if (a.dstBytes == 3 * F::kSampleBytes)
        run(std::integral_constant<int, 3 * F::kSampleBytes>{});
    else
        run(std::integral_constant<int, 4 * F::kSampleBytes>{});
}

template <class F>
bool TrySpecialisedInterior(const PixelArea& a, Phase phase, Gains gains,
                            const DemosaicTwins& twins) {
    SpecialisedSettings s;
    if (!SpecialisedSettingsFor<F>(a, phase, gains, twins, {{0, a.Height()}}, &s)) return false;
    WithDstBytes<F>(
        a, [&](auto dstBytes) { SpecialisedInterior<F, decltype(dstBytes)::value>(a, s); });
    return true;
}

// Output rows first..end-1 of the rectangle.
struct RowSpan {
    int32_t first;
    int32_t end;

    bool Has(int32_t row) const { return row >= first && row < end; }
};

// Columns 2..width-3 of the border rows 0, 1, height-2 and height-1 (those of them in `span`) are
// interior columns whose rows alone are folded back into the frame: the specialised rows fill
// them from the folded row pointers. False, with nothing written, when they do not apply.
template <class F>
bool TrySpecialisedBorderRows(const PixelArea& a, Phase phase, Gains gains, RowSpan span,
                              const DemosaicTwins& twins) {
    const int32_t height = a.Height();
    if (height < 4 || a.Width() < 5) return false;
    // A strip between the border rows has none of them to make: its settings, which scan the
    // border's source rows, would be worked out for nothing.
    if (!span.Has(0) && !span.Has(1) && !span.Has(height - 2) && !span.Has(height - 1))
        return false;
    SpecialisedSettings s;
    if (!SpecialisedSettingsFor<F>(a, phase, gains, twins, {{0, 4}, {height - 4, 4}}, &s))
        return false;
    // Rows 0 and 1 read source rows 2, 3, 0, 1, 2 and the last two rows h-4, h-3, h-2, h-1, h-4
    // (their offsets folded): each pair shares its rows as an interior pair does.
    for (int32_t i : {0, height - 2}) {
        for (int32_t first = i; first < i + 2; ++first) {
            if (!span.Has(first)) continue;
            const bool pair = first == i && span.Has(i + 1);
            const uint8_t* rows[5];
            for (int32_t k = 0; k < 5; ++k)
                rows[k] = a.SrcRow(k < 4 ? BorderIndex(first, k - 2, height)
                                         : BorderIndex(first + 1, k - 3, height));
            WithDstBytes<F>(a, [&](auto dstBytes) {
                SpecialisedRows<F, decltype(dstBytes)::value>(a, rows, first, pair, s);
            });
            if (pair) break;
        }
    }
    return true;
}

// Output rows and columns 2..size-3; every pixel reads rows i-2..i+1 and columns j-2..j+1.
template <class F> int DemosaicInterior(const PixelArea& area, int32_t** extra1) {
    const PixelArea a = area; // a local copy: the byte stores cannot alias it
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    const auto [phase, gains] = ReadSettings(block);
    if (TrySpecialisedInterior<F>(a, phase, gains, Twins().demosaic)) return 1;
    const int32_t width = a.Width();
    const int32_t firstColumnOdd = phase.columnBit; // column 2 has the parity of column 0
    for (int32_t i = 2; i <= a.Height() - 3; ++i) {
        const int32_t rowOdd = (i + phase.rowBit) & 1;
        switch (2 * rowOdd + firstColumnOdd) {
        case 0:
            InteriorRow<F, 0>(a, i, 2, width - 3, gains);
            break;
        case 1:
            InteriorRow<F, 1>(a, i, 2, width - 3, gains);
            break;
        case 2:
            InteriorRow<F, 2>(a, i, 2, width - 3, gains);
            break;
        default:
            InteriorRow<F, 3>(a, i, 2, width - 3, gains);
            break;
        }
    }
    return 1;
}

template <class F>
void BorderPixel(const PixelArea& a, int32_t i, int32_t j, Phase phase, const Gains& gains) {
    const uint8_t* rows[4];
    ptrdiff_t columns[4];
    for (int32_t k = 0; k < 4; ++k) {
        rows[k] = a.SrcRow(BorderIndex(i, k - 2, a.Height()));
        columns[k] = BorderIndex(j, k - 2, a.Width()) * a.srcBytes;
    }
    const int32_t rowOdd = (i + phase.rowBit) & 1;
    const int32_t columnOdd = (j + phase.columnBit) & 1;
    WritePixel<F>(a.DstRow(i) + j * a.dstBytes, kCases[2 * rowOdd + columnOdd], gains,
                  [&](Offset o) { return F::Load(rows[o.row + 2] + columns[o.column + 2]); });
}

// The two outer columns on each side of the rows between the border rows, whose source rows need
// no folding: the folded column offsets worked out once, not per pixel.
class OuterColumns {
  public:
    explicit OuterColumns(const PixelArea& a) {
        const int32_t width = a.Width();
        for (int32_t j = 0; j < width; ++j) {
            if (j == 2 && width - 2 > 2) j = width - 2;
            for (int32_t k = 0; k < 4; ++k)
                m_offsets[m_count][k] = BorderIndex(j, k - 2, width) * a.srcBytes;
            m_columns[m_count++] = j;
        }
    }

    template <class F>
    void Row(const PixelArea& a, int32_t i, Phase phase, const Gains& gains) const {
        const uint8_t* const rows[4] = {a.SrcRow(i - 2), a.SrcRow(i - 1), a.SrcRow(i),
                                        a.SrcRow(i + 1)};
        const int32_t rowCase = 2 * ((i + phase.rowBit) & 1);
        uint8_t* const out = a.DstRow(i);
        for (int32_t c = 0; c < m_count; ++c) {
            const int32_t j = m_columns[c];
            uint8_t* const pixel = out + j * a.dstBytes;
            switch (rowCase + ((j + phase.columnBit) & 1)) {
            case 0:
                Pixel<F, 0>(pixel, rows, m_offsets[c], gains);
                break;
            case 1:
                Pixel<F, 1>(pixel, rows, m_offsets[c], gains);
                break;
            case 2:
                Pixel<F, 2>(pixel, rows, m_offsets[c], gains);
                break;
            default:
                Pixel<F, 3>(pixel, rows, m_offsets[c], gains);
                break;
            }
        }
    }

  private:
    // The parity case known when compiled, so that the sample offsets are constants.
    template <class F, int kCase>
    static TRAVIK_HOT_INLINE void Pixel(uint8_t* out, const uint8_t* const rows[4],
                                        const ptrdiff_t* columns, const Gains& gains) {
        constexpr ParityCase c = kCases[kCase];
        WritePixel<F>(out, c, gains,
                      [&](Offset o) { return F::Load(rows[o.row + 2] + columns[o.column + 2]); });
    }

    int32_t m_count = 0;
    int32_t m_columns[4] = {};
    ptrdiff_t m_offsets[4][4] = {};
};

// The two outermost rows and columns on every side, limited to the output rows in `span`; each
// pixel's colour parity follows its own row and column, for odd sizes as well.
template <class F> void BorderOfRows(const PixelArea& a, const int32_t* block, RowSpan span) {
    const auto [phase, gains] = ReadSettings(block);
    const int32_t width = a.Width();
    const int32_t height = a.Height();
    span = RowSpan{std::max(span.first, 0), std::min(span.end, height)};
    const DemosaicTwins& twins = Twins().demosaic;
    // The vector paths take the outer columns of the middle rows in a loop of their own; the
    // reference path keeps every pixel on the plainest one.
    const bool reference = !twins.bytesRow;
    // With the border rows' inner columns done, those rows need only their outer columns.
    const bool innerColumnsDone = TrySpecialisedBorderRows<F>(a, phase, gains, span, twins);
    const OuterColumns outer(a);
    for (int32_t i = span.first; i < span.end; ++i) {
        const bool borderRow = i < 2 || i >= height - 2;
        if (!borderRow && !reference) {
            outer.Row<F>(a, i, phase, gains);
            continue;
        }
        const bool wholeRow = borderRow && !innerColumnsDone;
        for (int32_t j = 0; j < width; ++j) {
            if (!wholeRow && j == 2 && width - 2 > 2) j = width - 2;
            BorderPixel<F>(a, i, j, phase, gains);
        }
    }
}

template <class F> int DemosaicBorder(const PixelArea& area, int32_t** extra1) {
    const PixelArea a = area; // a local copy: the byte stores cannot alias it
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    BorderOfRows<F>(a, block, RowSpan{0, a.Height()});
    return 1;
}

} // namespace

const PositionedKernel DemosaicInner8 = &AsKernel<DemosaicInterior<Raw8>>;
const PositionedKernel DemosaicEdge8 = &AsKernel<DemosaicBorder<Raw8>>;
const PositionedKernel DemosaicInner16 = &AsKernel<DemosaicInterior<Raw16>>;
const PositionedKernel DemosaicEdge16 = &AsKernel<DemosaicBorder<Raw16>>;

int DemosaicEdgeRows(PositionedKernel edge, uint8_t* dst, const uint8_t* src, KernelRect rect,
                     int32_t x, int32_t y, uint16_t dstPixelBytes, uint16_t srcPixelBytes,
                     int32_t dstStride, int32_t srcStride, const int32_t* block, int32_t first,
                     int32_t end) {
    if (!block) return 0;
    const PixelArea a{dst, src, rect, x, y, dstPixelBytes, srcPixelBytes, dstStride, srcStride};
    if (edge == DemosaicEdge8)
        BorderOfRows<Raw8>(a, block, RowSpan{first, end});
    else if (edge == DemosaicEdge16)
        BorderOfRows<Raw16>(a, block, RowSpan{first, end});
    else
        return 0;
    return 1;
}

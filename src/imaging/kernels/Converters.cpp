// Depth and channel-order converters for display, files and recording, with optional row flip.
#include "imaging/kernels/KernelTwins.h"
#include "imaging/kernels/PixelArea.h"

namespace {

// ---- Whole rows at a time, for the pixel sizes where a row is one run of samples ----

// `count` words to bytes, (v >> kShift) & 255 each: the twin's steps, then the rest here.
template <int kShift>
void WordsToBytes(uint8_t* out, const uint8_t* in, int32_t count, const ConverterTwins& twins) {
    static_assert(kShift == 2 || kShift == 4);
    const RowTwin steps = kShift == 2 ? twins.tenBitWordsToBytes : twins.twelveBitWordsToBytes;
    for (int32_t k = steps ? steps(out, in, count) : 0; k < count; ++k)
        out[k] = static_cast<uint8_t>(LoadWord(in + 2 * k) >> kShift);
}

// The first three bytes of `count` 4-byte pixels: each pixel is stored as four bytes whose last
// one the next pixel overwrites; the last pixel is stored as three, so nothing beyond changes.
void FourBytesToThree(uint8_t* out, const uint8_t* in, int32_t count, const ConverterTwins& twins) {
    int32_t j = twins.fourBytesToThree ? twins.fourBytesToThree(out, in, count) : 0;
    for (; j + 1 < count; ++j)
        std::memcpy(out + 3 * j, in + 4 * j, 4);
    if (j < count) std::memcpy(out + 3 * j, in + 4 * j, 3);
}

// Runs Rule::Row over every row when the rule has a row form for these pixel sizes and the path
// converts whole rows (the vector paths do); false, with nothing written, otherwise. The row form
// reads a row before writing it, so source and destination must be the same place or not overlap.
template <class Rule, bool kFlip> bool TryRows(const PixelArea& a) {
    if constexpr (requires { Rule::Row; }) {
        const ConverterTwins& twins = Twins().converters;
        if (!twins.tenBitWordsToBytes) return false;
        if (!Rule::Covers(a.srcBytes, a.dstBytes)) return false;
        if (!BatchedReadsAreSafe(a, std::max(a.srcBytes, a.dstBytes))) return false;
        for (int32_t i = 0; i < a.Height(); ++i)
            Rule::Row(a.DstRow(i), kFlip ? a.SrcRowFlipped(i) : a.SrcRow(i), a.Width(), a.srcBytes,
                      twins);
        return true;
    }
    return false;
}

// One rule per pixel; kFlip reads destination row i from source row bottom - 1 - i.
template <class Rule, bool kFlip> int Convert(const PixelArea& a, int32_t**) {
    if (TryRows<Rule, kFlip>(a)) return 1;
    ForEachPixel<kFlip>(a, [](uint8_t* out, const uint8_t* in) { Rule::Apply(out, in); });
    return 1;
}

// A 16-bit sample to one byte: (v >> kShift) & 255.
template <int kShift> struct WordToByte {
    static void Apply(uint8_t* out, const uint8_t* in) {
        out[0] = static_cast<uint8_t>(LoadWord(in) >> kShift);
    }
    static bool Covers(ptrdiff_t srcBytes, ptrdiff_t dstBytes) {
        return srcBytes == 2 && dstBytes == 1;
    }
    static void Row(uint8_t* out, const uint8_t* in, int32_t width, ptrdiff_t,
                    const ConverterTwins& twins) {
        WordsToBytes<kShift>(out, in, width, twins);
    }
};

// A 16-bit sample widened to the full word: (v << kShift) & 65535.
template <int kShift> struct WordUp {
    static void Apply(uint8_t* out, const uint8_t* in) { StoreWord(out, LoadWord(in) << kShift); }
};

template <int kShift> struct ColourWordsToBytes {
    static void Apply(uint8_t* out, const uint8_t* in) {
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<uint8_t>(LoadWord(in + 2 * c) >> kShift);
    }
    // 48-bit pixels to 24-bit ones: a row is one run of words to one run of bytes. 64-bit
    // pixels go to 4-byte ones in a buffer on the stack, a piece of the row at a time, and lose
    // their fourth byte on the way out.
    static bool Covers(ptrdiff_t srcBytes, ptrdiff_t dstBytes) {
        return (srcBytes == 6 || srcBytes == 8) && dstBytes == 3;
    }
    static void Row(uint8_t* out, const uint8_t* in, int32_t width, ptrdiff_t srcBytes,
                    const ConverterTwins& twins) {
        if (srcBytes == 6) {
            WordsToBytes<kShift>(out, in, 3 * width, twins);
            return;
        }
        constexpr int32_t kPiece = 512;
        uint8_t fourBytes[4 * kPiece];
        for (int32_t j = 0; j < width; j += kPiece) {
            const int32_t count = std::min(width - j, kPiece);
            WordsToBytes<kShift>(fourBytes, in + 8 * j, 4 * count, twins);
            FourBytesToThree(out + 3 * j, fourBytes, count, twins);
        }
    }
};

struct CopyThreeBytes {
    static void Apply(uint8_t* out, const uint8_t* in) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
    }
    // 24-bit pixels copy as whole rows, 32-bit ones lose their fourth byte.
    static bool Covers(ptrdiff_t srcBytes, ptrdiff_t dstBytes) {
        return (srcBytes == 3 || srcBytes == 4) && dstBytes == 3;
    }
    static void Row(uint8_t* out, const uint8_t* in, int32_t width, ptrdiff_t srcBytes,
                    const ConverterTwins& twins) {
        if (srcBytes == 3)
            std::memmove(out, in, 3 * static_cast<size_t>(width));
        else
            FourBytesToThree(out, in, width, twins);
    }
};

struct SwapThreeBytes {
    static void Apply(uint8_t* out, const uint8_t* in) {
        const uint8_t first = in[0];
        out[1] = in[1];
        out[0] = in[2];
        out[2] = first;
    }
};

// The pipeline never writes the fourth byte, so 0 there becomes opaque 255.
struct InvertFourthByte {
    static void Apply(uint8_t* out, const uint8_t* in) {
        CopyThreeBytes::Apply(out, in);
        out[3] = static_cast<uint8_t>(255 - in[3]);
    }
};

// Three 16-bit channels shifted up to the full word, the first and third exchanged with kSwap,
// and a fourth word of 65535 with kAlpha.
template <int kShift, bool kSwap, bool kAlpha> struct ColourWordsUp {
    static void Apply(uint8_t* out, const uint8_t* in) {
        const uint32_t blue = LoadWord(in) << kShift;
        const uint32_t green = LoadWord(in + 2) << kShift;
        const uint32_t red = LoadWord(in + 4) << kShift;
        StoreWord(out, kSwap ? red : blue);
        StoreWord(out + 2, green);
        StoreWord(out + 4, kSwap ? blue : red);
        if (kAlpha) StoreWord(out + 6, 65535);
    }
};

// Whole rows in reverse order, min(dstStride, srcStride) bytes each; columns do not apply.
int FlipRows(const PixelArea& a, int32_t**) {
    const ptrdiff_t length = std::min(a.dstStride, a.srcStride);
    if (length <= 0) return 1;
    for (int32_t i = 0; i < a.Height(); ++i) {
        std::memmove(a.dst + (a.y + i) * a.dstStride, a.src + (a.rect.bottom - 1 - i) * a.srcStride,
                     static_cast<size_t>(length));
    }
    return 1;
}

} // namespace

const PositionedKernel Mono10To8 = &AsKernel<Convert<WordToByte<2>, false>>;
const PositionedKernel Mono10To8Flip = &AsKernel<Convert<WordToByte<2>, true>>;
const PositionedKernel Mono12To8Flip = &AsKernel<Convert<WordToByte<4>, true>>;
const PositionedKernel Mono12To16 = &AsKernel<Convert<WordUp<4>, false>>;
const PositionedKernel Mono10To16 = &AsKernel<Convert<WordUp<6>, false>>;
const PositionedKernel Color10To8 = &AsKernel<Convert<ColourWordsToBytes<2>, false>>;
const PositionedKernel Color10To8Flip = &AsKernel<Convert<ColourWordsToBytes<2>, true>>;
const PositionedKernel Color32To24 = &AsKernel<Convert<CopyThreeBytes, false>>;
const PositionedKernel Color24Flip = &AsKernel<Convert<CopyThreeBytes, true>>;
const PositionedKernel Color24Swap = &AsKernel<Convert<SwapThreeBytes, false>>;
const PositionedKernel Color32Alpha = &AsKernel<Convert<InvertFourthByte, false>>;
const PositionedKernel Color12To16 = &AsKernel<Convert<ColourWordsUp<4, false, false>, false>>;
const PositionedKernel Color12To16Swap = &AsKernel<Convert<ColourWordsUp<4, true, false>, false>>;
const PositionedKernel Color10To16 = &AsKernel<Convert<ColourWordsUp<6, false, false>, false>>;
const PositionedKernel Color10To16Swap = &AsKernel<Convert<ColourWordsUp<6, true, false>, false>>;
const PositionedKernel Color12To16Alpha = &AsKernel<Convert<ColourWordsUp<4, false, true>, false>>;
const PositionedKernel Color12To16SwapAlpha =
    &AsKernel<Convert<ColourWordsUp<4, true, true>, false>>;
const PositionedKernel Color10To16Alpha = &AsKernel<Convert<ColourWordsUp<6, false, true>, false>>;
const PositionedKernel Color10To16SwapAlpha =
    &AsKernel<Convert<ColourWordsUp<6, true, true>, false>>;
const PositionedKernel RowsFlip = &AsKernel<FlipRows>;

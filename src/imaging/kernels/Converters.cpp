// Depth and channel-order converters for display, files and recording, with optional row flip.
#include "imaging/kernels/PixelArea.h"

namespace {

// One rule per pixel; kFlip reads destination row i from source row bottom - 1 - i.
template <class Rule, bool kFlip> int Convert(const PixelArea& a, int32_t**) {
    ForEachPixel<kFlip>(a, [](uint8_t* out, const uint8_t* in) { Rule::Apply(out, in); });
    return 1;
}

// A 16-bit sample to one byte: (v >> kShift) & 255.
template <int kShift> struct WordToByte {
    static void Apply(uint8_t* out, const uint8_t* in) {
        out[0] = static_cast<uint8_t>(LoadWord(in) >> kShift);
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
};

struct CopyThreeBytes {
    static void Apply(uint8_t* out, const uint8_t* in) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
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

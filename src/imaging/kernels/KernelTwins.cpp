// The one place that maps an instruction set to code: every family's twins for the reference
// path, SSE2 and AVX2, and the set that runs.
#include "imaging/kernels/KernelTwins.h"

namespace {

constexpr KernelTwins ReferenceTwins() {
    KernelTwins t{};
    t.path = KernelPath::Reference;
    t.tone = {tone::SamplesReference, tone::BgrxReference};
    return t;
}

// SSE2 is the baseline of x86-64: its twins serve the AVX2 path too, where that has none of its
// own, and finish the rows that the wider steps leave.
constexpr KernelTwins Sse2Twins() {
    KernelTwins t = ReferenceTwins();
    t.path = KernelPath::Sse2;
    t.demosaic.bytesRow = demosaic::InteriorRowSse2;
    t.demosaic.wordsRow = demosaic::InteriorRowSse2Words;
    t.demosaic.wordsFitTenBits = demosaic::WordsFitTenBits;
    t.grayGains.bytesRow = gray::GainRowBytesSse2;
    t.grayGains.wordsRow = gray::GainRowWordsSse2;
    t.hueSaturation.area = hue::ShiftAreaSse2;
    t.sharpen.interior = sharpen_rows::RunInteriorSse2;
    t.converters.tenBitWordsToBytes = convert::TenBitWordsToBytesSse2;
    t.converters.twelveBitWordsToBytes = convert::TwelveBitWordsToBytesSse2;
    t.restride.reverseBytes = restride::ReverseBytesSse2;
    t.restride.reverseWords = restride::ReverseWordsSse2;
    return t;
}

constexpr KernelTwins Avx2Twins() {
    KernelTwins t = Sse2Twins();
    t.path = KernelPath::Avx2;
    t.demosaic.bytesRows = demosaic::InteriorRowsAvx2;
    t.demosaic.wordsRows = demosaic::InteriorRowsAvx2Words;
    t.grayGains.fromColorRow = gray::GrayRowAvx2;
    t.hueSaturation.groups = hue::ShiftGroupsAvx2;
    t.sharpen.interior = sharpen_rows::RunInteriorAvx2;
    t.tone = {tone::SamplesAvx2, tone::BgrxAvx2};
    t.converters.fourBytesToThree = convert::FourBytesToThreeAvx2;
    return t;
}

// Indexed by KernelPath; constant-initialised, so nothing here waits for a constructor.
constexpr KernelTwins kTwins[] = {ReferenceTwins(), Sse2Twins(), Avx2Twins()};
static_assert(kTwins[static_cast<int>(KernelPath::Reference)].path == KernelPath::Reference &&
              kTwins[static_cast<int>(KernelPath::Sse2)].path == KernelPath::Sse2 &&
              kTwins[static_cast<int>(KernelPath::Avx2)].path == KernelPath::Avx2);

} // namespace

const KernelTwins& Twins() {
    return kTwins[static_cast<int>(ActiveKernelPath())];
}

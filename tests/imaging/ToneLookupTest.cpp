// The fast look-ups of the tone table against the reference loops: random tables and samples,
// runs of every length around the vector width at every alignment, whole images of every pixel
// size with widths 1..33, padded and unpadded rows and offset rectangles, each path forced.
#include "FastPathSupport.h"
#include "KernelTestSupport.h"
#include "ToneTestSupport.h"
#include "imaging/kernels/KernelPath.h"
#include "imaging/kernels/ToneLookup.h"
#include "imaging/kernels/ToneTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kernel_test::KernelPathGuard;
using kernel_test::RandomToneSteps;
using kernel_test::TestImage;
using kernel_test::VectorPaths;

std::vector<uint8_t> RandomBytes(std::mt19937& rng, size_t count) {
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(rng());
    return bytes;
}

// A run of `count` units from byte `offset` of a buffer with room on both sides: the look-up
// must change exactly what the reference changes, and nothing beyond the run.
void ExpectSameRun(tone::ByteRun fast, tone::ByteRun reference, size_t unitBytes, size_t count,
                   size_t offset, std::mt19937& rng) {
    const std::vector<uint8_t> table = RandomBytes(rng, tone::kByteEntries);
    std::vector<uint8_t> expected = RandomBytes(rng, count * unitBytes + 64);
    std::vector<uint8_t> actual = expected;
    reference(expected.data() + offset, count, table.data());
    fast(actual.data() + offset, count, table.data());
    ASSERT_EQ(actual, expected) << count << " units from byte " << offset;
}

TEST(ToneLookupTwins, ByteRunsMatchTheReferenceAtEveryLengthAndAlignment) {
    if (!KernelPathSupported(KernelPath::Avx2)) GTEST_SKIP() << "no AVX2 on this CPU";
    std::mt19937 rng(31);
    for (size_t count = 0; count <= 100; ++count)
        for (size_t offset = 0; offset < 32; offset += 3) {
            ExpectSameRun(tone::SamplesAvx2, tone::SamplesReference, 1, count, offset, rng);
            ExpectSameRun(tone::BgrxAvx2, tone::BgrxReference, 4, count, offset, rng);
        }
}

// Every byte value through every one of the sixteen sub-tables and every blend of the tree.
TEST(ToneLookupTwins, EveryByteValueFindsItsOwnEntry) {
    if (!KernelPathSupported(KernelPath::Avx2)) GTEST_SKIP() << "no AVX2 on this CPU";
    std::vector<uint8_t> table(tone::kByteEntries);
    for (size_t v = 0; v < table.size(); ++v)
        table[v] = static_cast<uint8_t>(v * 7 + 3);
    std::vector<uint8_t> samples(tone::kByteEntries);
    for (size_t v = 0; v < samples.size(); ++v)
        samples[v] = static_cast<uint8_t>(v);
    tone::SamplesAvx2(samples.data(), samples.size(), table.data());
    for (size_t v = 0; v < samples.size(); ++v)
        ASSERT_EQ(int{samples[v]}, int{table[v]}) << "value " << v;
}

struct PixelKind {
    const char* name;
    ToneImage image;
    int32_t bits;
};

const PixelKind kPixelKinds[] = {
    {"Mono8", ToneImage::Mono8, 8},      {"Color24", ToneImage::Color8, 24},
    {"Color32", ToneImage::Color8, 32},  {"Mono16", ToneImage::Mono16, 16},
    {"Color48", ToneImage::Color16, 48}, {"Color64", ToneImage::Color16, 64},
};

class ToneTableOnEveryPath : public ::testing::TestWithParam<PixelKind> {};

// The table applied on each path the CPU runs equals the reference path byte for byte: rows
// padded or packed end to end, the whole image or a rectangle inside it, and the padding and
// any fourth channel left alone.
TEST_P(ToneTableOnEveryPath, MatchesTheReference) {
    KernelPathGuard guard;
    const PixelKind& kind = GetParam();
    const bool words = kind.bits == 16 || kind.bits >= 48;
    const int32_t pixelBytes = kind.bits / 8;
    std::mt19937 rng(static_cast<unsigned>(kind.bits) * 3 + 1);
    ToneTable table;
    // Word tables cover every word and take longer to build; their look-up has no twin.
    const int trials = words ? 20 : 60;
    for (int trial = 0; trial < trials; ++trial) {
        const ToneSteps steps = RandomToneSteps(rng);
        ASSERT_TRUE(table.Prepare(steps, kind.image, 10));
        const int32_t width = trial % 20 == 0 ? 200 + static_cast<int32_t>(rng() % 9)
                                              : 1 + static_cast<int32_t>(rng() % 33);
        const int32_t height = 1 + static_cast<int32_t>(rng() % 7);
        // Packed rows every third trial (the table then runs over the image in one go).
        const int32_t packed = width * pixelBytes;
        const int32_t stride =
            trial % 3 == 0 ? packed : packed + 1 + static_cast<int32_t>(rng() % 9);
        TestImage image(width, height, kind.bits, stride);
        image.Randomise(rng, words ? (trial % 4 == 0 ? 65535 : 1023) : 255);
        int32_t left = 0, top = 0, right = width, bottom = height;
        if (trial % 2 == 1) {
            left = static_cast<int32_t>(rng() % static_cast<unsigned>(width));
            top = static_cast<int32_t>(rng() % static_cast<unsigned>(height));
        }
        auto apply = [&](KernelPath path) {
            ForceKernelPath(path);
            TestImage copy = image;
            table.Apply(copy.Data() + static_cast<ptrdiff_t>(top) * stride + left * pixelBytes,
                        right - left, bottom - top, stride, pixelBytes);
            return copy.Bytes();
        };
        const std::vector<uint8_t> reference = apply(KernelPath::Reference);
        for (KernelPath path : VectorPaths())
            ASSERT_EQ(apply(path), reference)
                << KernelPathName(path) << " trial " << trial << " " << width << "x" << height
                << " stride " << stride << " from " << left << "," << top;
    }
}

// A table made for one kind of image, handed pixels of another size, changes nothing rather
// than walk past the rows.
TEST(ToneTableOnEveryPath, PixelsOfAnotherSizeAreLeftAlone) {
    ToneTable table;
    ToneSteps steps;
    steps.contrast = true;
    steps.contrastValue = 64;
    struct Mismatch {
        ToneImage image;
        int32_t bits;
    };
    for (const Mismatch m : {Mismatch{ToneImage::Color8, 8}, Mismatch{ToneImage::Color8, 48},
                             Mismatch{ToneImage::Mono8, 24}, Mismatch{ToneImage::Mono16, 8},
                             Mismatch{ToneImage::Color16, 24}, Mismatch{ToneImage::Color16, 16}}) {
        ASSERT_TRUE(table.Prepare(steps, m.image, 10));
        TestImage image(5, 3, m.bits);
        image.Fill(7);
        const std::vector<uint8_t> before = image.Bytes();
        table.Apply(image.Data(), image.Width(), image.Height(), image.Stride(),
                    image.PixelBytes());
        EXPECT_EQ(image.Bytes(), before) << m.bits << "-bit pixels";
    }
}

INSTANTIATE_TEST_SUITE_P(Images, ToneTableOnEveryPath, ::testing::ValuesIn(kPixelKinds),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

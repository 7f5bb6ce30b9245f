// The look-ups that apply a tone table to runs of pixels: the reference loops and their fast
// twins, one function per kind of pixel so that no inner loop asks what a pixel is.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tone {

// Every entry of a byte table and of a word table, so that a look-up needs no range check.
constexpr size_t kByteEntries = 256;
constexpr size_t kWordEntries = 65536;

// A run of `count` samples or pixels: every sample of packed mono or 3-channel pixels (Samples), or
// the first three of every 4-channel pixel, leaving the fourth as it was (Bgrx).
using ByteRun = void (*)(uint8_t* pixels, size_t count, const uint8_t* table);

// The reference: one look-up per sample, the plainest loop.
void SamplesReference(uint8_t* samples, size_t count, const uint8_t* table);
void BgrxReference(uint8_t* pixels, size_t count, const uint8_t* table);
void WordSamplesReference(uint8_t* samples, size_t count, const uint16_t* table);
void WordBgrxReference(uint8_t* pixels, size_t count, const uint16_t* table);

// The AVX2 twins: bytes through sixteen in-register 16-entry tables. Without AVX2 in the build
// they run the reference. Words have no twin: their look-up moves data as fast as memory does
// already (gathers and 64-bit loads of four words were measured slower).
void SamplesAvx2(uint8_t* samples, size_t count, const uint8_t* table);
void BgrxAvx2(uint8_t* pixels, size_t count, const uint8_t* table);

} // namespace tone

// The byte look-ups of the tone table: the AVX2 twins on that path, the reference loops on the
// others (an unrolled loop of 64-bit loads and stores did not beat them).
struct ToneTwins {
    tone::ByteRun samples;
    tone::ByteRun bgrx;
};

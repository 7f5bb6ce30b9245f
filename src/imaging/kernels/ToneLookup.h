// The look-ups that apply a tone table to runs of pixels: the reference loops and their fast
// twins, one function per kind of pixel so that no inner loop asks what a pixel is.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tone {

// Every entry of a byte table and of a word table, so that a look-up needs no range check. A
// word table has one entry more than the values, which the gather of the AVX2 twin reads as the
// upper half of its 4-byte load of the last entry.
constexpr size_t kByteEntries = 256;
constexpr size_t kWordEntries = 65536;
constexpr size_t kWordTableSize = kWordEntries + 1;

// A run of `count` pixels: every sample of packed mono or 3-channel pixels (Samples), or the
// first three of every 4-channel pixel, leaving the fourth as it was (Bgrx).
using ByteRun = void (*)(uint8_t* pixels, size_t count, const uint8_t* table);
using WordRun = void (*)(uint8_t* pixels, size_t count, const uint16_t* table);

// The reference: one look-up per sample, the plainest loop.
void SamplesReference(uint8_t* samples, size_t count, const uint8_t* table);
void BgrxReference(uint8_t* pixels, size_t count, const uint8_t* table);
void WordSamplesReference(uint8_t* samples, size_t count, const uint16_t* table);
void WordBgrxReference(uint8_t* pixels, size_t count, const uint16_t* table);

// The twins for every x86-64 CPU: eight bytes or four words loaded and stored at a time.
void SamplesWide(uint8_t* samples, size_t count, const uint8_t* table);
void BgrxWide(uint8_t* pixels, size_t count, const uint8_t* table);
void WordSamplesWide(uint8_t* samples, size_t count, const uint16_t* table);
void WordBgrxWide(uint8_t* pixels, size_t count, const uint16_t* table);

// The AVX2 twins (call only when ActiveKernelPath() is KernelPath::Avx2): bytes through sixteen
// in-register 16-entry tables, words through gathers. Without AVX2 in the build they fall back
// to the wide twins.
void SamplesAvx2(uint8_t* samples, size_t count, const uint8_t* table);
void BgrxAvx2(uint8_t* pixels, size_t count, const uint8_t* table);
void WordSamplesAvx2(uint8_t* samples, size_t count, const uint16_t* table);
void WordBgrxAvx2(uint8_t* pixels, size_t count, const uint16_t* table);

} // namespace tone

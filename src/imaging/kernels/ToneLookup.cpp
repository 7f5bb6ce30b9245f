// The reference look-ups of a tone table and their twins that move eight bytes at a time.
#include "imaging/kernels/ToneLookup.h"

#include <cstring>

namespace tone {

namespace {

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void Store64(uint8_t* p, uint64_t v) {
    std::memcpy(p, &v, sizeof v);
}

inline uint16_t LoadSample(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void StoreSample(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, sizeof v);
}

// The eight bytes of `v` each replaced by its entry; `keep` marks bytes that stay as they were.
inline uint64_t LookUpEight(uint64_t v, const uint8_t* table, uint64_t keep = 0) {
    uint64_t r = 0;
    for (int b = 0; b < 8; ++b)
        r |= uint64_t{table[(v >> (8 * b)) & 0xFF]} << (8 * b);
    return (r & ~keep) | (v & keep);
}

inline uint64_t LookUpFour(uint64_t v, const uint16_t* table, uint64_t keep = 0) {
    uint64_t r = 0;
    for (int w = 0; w < 4; ++w)
        r |= uint64_t{table[(v >> (16 * w)) & 0xFFFF]} << (16 * w);
    return (r & ~keep) | (v & keep);
}

constexpr uint64_t kFourthBytes = 0xFF000000FF000000ull; // of two 4-byte pixels
constexpr uint64_t kFourthWord = 0xFFFF000000000000ull;  // of one 8-byte pixel

} // namespace

void SamplesReference(uint8_t* samples, size_t count, const uint8_t* table) {
    for (size_t i = 0; i < count; ++i)
        samples[i] = table[samples[i]];
}

void BgrxReference(uint8_t* pixels, size_t count, const uint8_t* table) {
    for (size_t i = 0; i < count; ++i, pixels += 4)
        for (int c = 0; c < 3; ++c)
            pixels[c] = table[pixels[c]];
}

void WordSamplesReference(uint8_t* samples, size_t count, const uint16_t* table) {
    for (size_t i = 0; i < count; ++i, samples += 2)
        StoreSample(samples, table[LoadSample(samples)]);
}

void WordBgrxReference(uint8_t* pixels, size_t count, const uint16_t* table) {
    for (size_t i = 0; i < count; ++i, pixels += 8)
        for (int c = 0; c < 3; ++c)
            StoreSample(pixels + 2 * c, table[LoadSample(pixels + 2 * c)]);
}

void SamplesWide(uint8_t* samples, size_t count, const uint8_t* table) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8)
        Store64(samples + i, LookUpEight(Load64(samples + i), table));
    SamplesReference(samples + i, count - i, table);
}

void BgrxWide(uint8_t* pixels, size_t count, const uint8_t* table) {
    size_t i = 0;
    for (; i + 2 <= count; i += 2)
        Store64(pixels + 4 * i, LookUpEight(Load64(pixels + 4 * i), table, kFourthBytes));
    BgrxReference(pixels + 4 * i, count - i, table);
}

void WordSamplesWide(uint8_t* samples, size_t count, const uint16_t* table) {
    size_t i = 0;
    for (; i + 4 <= count; i += 4)
        Store64(samples + 2 * i, LookUpFour(Load64(samples + 2 * i), table));
    WordSamplesReference(samples + 2 * i, count - i, table);
}

void WordBgrxWide(uint8_t* pixels, size_t count, const uint16_t* table) {
    for (size_t i = 0; i < count; ++i, pixels += 8)
        Store64(pixels, LookUpFour(Load64(pixels), table, kFourthWord));
}

} // namespace tone

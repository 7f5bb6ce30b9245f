// The reference look-ups of a tone table: one sample at a time.
#include "imaging/kernels/ToneLookup.h"

#include <cstring>

namespace tone {

namespace {

inline uint16_t LoadSample(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void StoreSample(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, sizeof v);
}

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

} // namespace tone

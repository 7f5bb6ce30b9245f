// The reference look-ups of a tone table: one sample at a time.
#include "imaging/kernels/ToneLookup.h"

#include "imaging/kernels/PixelArea.h"

namespace tone {

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
        StoreWord(samples, table[LoadWord(samples)]);
}

void WordBgrxReference(uint8_t* pixels, size_t count, const uint16_t* table) {
    for (size_t i = 0; i < count; ++i, pixels += 8)
        for (int c = 0; c < 3; ++c)
            StoreWord(pixels + 2 * c, table[LoadWord(pixels + 2 * c)]);
}

} // namespace tone

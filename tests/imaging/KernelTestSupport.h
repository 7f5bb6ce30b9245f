// Test images sized to exactly what a kernel may touch, so that the sanitizers catch any stray
// access, and a runner that calls kernels the way the image buffer does.
#pragma once

#include "imaging/kernels/Kernels.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace kernel_test {

// Rows `stride` bytes apart; the allocation ends with the last pixel of the last row, so any
// access past it (or before the first) is out of the heap block. Pixels of 8, 24 and 32 bits
// hold byte channels; 16, 48 and 64 bits hold 16-bit channels.
class TestImage {
  public:
    TestImage(int32_t width, int32_t height, int32_t bits, int32_t stride = 0)
        : m_width(width), m_height(height), m_pixelBytes(bits / 8),
          m_sampleBytes(bits == 16 || bits >= 48 ? 2 : 1),
          m_stride(stride ? stride : (width * (bits / 8) + 3) & ~3) {
        const int64_t size = height > 0 && width > 0
                                 ? int64_t{height - 1} * m_stride + int64_t{width} * m_pixelBytes
                                 : 0;
        m_bytes.assign(static_cast<size_t>(size), 0);
    }

    // Room for whole rows of `stride` bytes, for kernels that copy whole rows.
    static TestImage WholeRows(int32_t width, int32_t height, int32_t bits) {
        TestImage image(width, height, bits);
        image.m_bytes.assign(static_cast<size_t>(height) * image.m_stride, 0);
        return image;
    }

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int32_t Stride() const { return m_stride; }
    uint16_t PixelBytes() const { return static_cast<uint16_t>(m_pixelBytes); }
    int32_t Channels() const { return m_pixelBytes / m_sampleBytes; }
    uint8_t* Data() { return m_bytes.data(); }
    const uint8_t* Data() const { return m_bytes.data(); }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    KernelRect Whole() const { return KernelRect{0, 0, m_width, m_height}; }

    uint32_t Get(int32_t row, int32_t column, int32_t channel = 0) const {
        const uint8_t* p = Address(row, column, channel);
        if (m_sampleBytes == 1) return *p;
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    void Set(int32_t row, int32_t column, int32_t channel, uint32_t v) {
        uint8_t* p = const_cast<uint8_t*>(Address(row, column, channel));
        if (m_sampleBytes == 1) {
            *p = static_cast<uint8_t>(v);
        } else {
            const uint16_t w = static_cast<uint16_t>(v);
            std::memcpy(p, &w, 2);
        }
    }
    void Fill(uint32_t v) {
        for (int32_t i = 0; i < m_height; ++i)
            for (int32_t j = 0; j < m_width; ++j)
                for (int32_t c = 0; c < Channels(); ++c)
                    Set(i, j, c, v);
    }
    // Every channel of every pixel random in 0..maximum; padding and unused bytes too.
    void Randomise(std::mt19937& rng, uint32_t maximum) {
        for (auto& b : m_bytes)
            b = static_cast<uint8_t>(rng());
        std::uniform_int_distribution<uint32_t> value(0, maximum);
        for (int32_t i = 0; i < m_height; ++i)
            for (int32_t j = 0; j < m_width; ++j)
                for (int32_t c = 0; c < Channels(); ++c)
                    Set(i, j, c, value(rng));
    }

  private:
    const uint8_t* Address(int32_t row, int32_t column, int32_t channel) const {
        return m_bytes.data() + static_cast<ptrdiff_t>(row) * m_stride +
               static_cast<ptrdiff_t>(column) * m_pixelBytes + channel * m_sampleBytes;
    }

    int32_t m_width;
    int32_t m_height;
    int32_t m_pixelBytes;
    int32_t m_sampleBytes;
    int32_t m_stride;
    std::vector<uint8_t> m_bytes;
};

enum Colour { kGreen, kBlue, kRed };

// Colour of the raw sample at memory row r, column c: phase 0 is G B over R G, bit 0 of the
// phase moves the rows by one and bit 1 the columns.
inline Colour ColourAt(int32_t phase, int32_t r, int32_t c) {
    static const Colour kPhase0[2][2] = {{kGreen, kBlue}, {kRed, kGreen}};
    return kPhase0[(r + (phase & 1)) & 1][(c + ((phase >> 1) & 1)) & 1];
}

// Calls a positioned kernel as the image buffer's ApplyKernel does after clipping.
inline int RunKernel(PositionedKernel kernel, TestImage& dst, const TestImage& src,
                     int32_t* block = nullptr, KernelRect rect = {0, 0, -1, -1}, int32_t x = 0,
                     int32_t y = 0) {
    if (rect.right < 0) rect = src.Whole();
    int32_t* pointer = block;
    return kernel(dst.Data(), src.Data(), rect, x, y, dst.PixelBytes(), src.PixelBytes(),
                  dst.Stride(), src.Stride(), block ? &pointer : nullptr);
}

// In place, as the adjustment kernels run on the output image.
inline int RunInPlace(PositionedKernel kernel, TestImage& image, int32_t* block = nullptr) {
    int32_t* pointer = block;
    return kernel(image.Data(), image.Data(), image.Whole(), 0, 0, image.PixelBytes(),
                  image.PixelBytes(), image.Stride(), image.Stride(), block ? &pointer : nullptr);
}

// A one-pixel image of the given channels, for the worked examples.
inline TestImage Pixel(int32_t bits, std::vector<uint32_t> channels) {
    TestImage image(1, 1, bits);
    for (size_t c = 0; c < channels.size(); ++c)
        image.Set(0, 0, static_cast<int32_t>(c), channels[c]);
    return image;
}

} // namespace kernel_test

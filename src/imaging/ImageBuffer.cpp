// Image buffer lifetime: creation on a DIB section or the heap, colour tables, release and blits.
#include "imaging/ImageBuffer.h"

#include "files/FileSizes.h"

#include <cstring>
#include <new>

ImageBuffer::ImageBuffer() {
    ResetInfo();
}

ImageBuffer::~ImageBuffer() {
    Release();
}

void ImageBuffer::ResetInfo() {
    std::memset(&m_info, 0, sizeof m_info);
    m_info.header.biSize = sizeof(BITMAPINFOHEADER);
}

int ImageBuffer::Create(int width, int height, int bits) {
    if (!file_sizes::DibFits(width, height, bits)) return 0;
    const int64_t stride = file_sizes::DibStride(width, bits);
    Release();
    m_info.header.biWidth = width;
    m_info.header.biHeight = height;
    m_info.header.biPlanes = 1;
    m_info.header.biBitCount = static_cast<WORD>(bits);
    m_info.header.biCompression = BI_RGB;
    m_width = width;
    m_height = height;
    m_stride = static_cast<int32_t>(stride);
    m_bits = static_cast<uint16_t>(bits);
    return Allocate(nullptr, DIB_RGB_COLORS, nullptr, 0);
}

int ImageBuffer::CreateLike(const ImageBuffer* other) {
    if (!other || other->m_width < 1 || other->m_height < 1 || other->m_bits == 0) return 0;
    // Taken before Release, which would clear them if `other` is this buffer.
    const BITMAPINFOHEADER header = other->m_info.header;
    const int32_t width = other->m_width, height = other->m_height, stride = other->m_stride;
    const uint16_t bits = other->m_bits;
    HDC reference = other == this ? nullptr : other->m_memoryDC.get();
    Release();
    m_info.header = header;
    m_width = width;
    m_height = height;
    m_stride = stride;
    m_bits = bits;
    return Allocate(reference, DIB_RGB_COLORS, nullptr, 0);
}

// GDI refuses 48 and 64 bits per pixel; such pictures get zeroed heap pixels and no memory DC,
// so that kernels and file writers can still use them.
int ImageBuffer::Allocate(HDC dc, UINT usage, HANDLE section, DWORD offset) {
    if (m_bits == 8) SetColorTable(0, nullptr, 0, 0);
    void* bits = nullptr;
    HBITMAP dib =
        CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&m_info), usage, &bits, section, offset);
    if (dib && bits) {
        m_section.reset(dib);
        m_memoryDC.reset(CreateCompatibleDC(nullptr));
        if (!m_memoryDC || !m_displaced.Select(m_memoryDC.get(), dib)) {
            Release();
            return 0;
        }
        m_pixels = static_cast<uint8_t*>(bits);
        std::memset(m_pixels, 0, ImageBytes());
        return 1;
    }
    if (dib) DeleteObject(dib);
    m_heapPixels.reset(new (std::nothrow) uint8_t[ImageBytes()]());
    if (!m_heapPixels) {
        Release();
        return 0;
    }
    m_pixels = m_heapPixels.get();
    return 1;
}

void ImageBuffer::Release() {
    m_displaced.Reset();
    m_section.reset();
    m_memoryDC.reset();
    m_heapPixels.reset();
    m_pixels = nullptr;
    m_width = 0;
    m_height = 0;
    m_stride = 0;
    m_bits = 0;
    ResetInfo();
}

int ImageBuffer::SetColorTable(int mode, const RGBQUAD* table, UINT start, UINT count) {
    if (mode == 0) {
        for (int i = 0; i < 256; ++i) {
            const BYTE v = static_cast<BYTE>(i);
            m_info.colors[i] = RGBQUAD{v, v, v, 0};
        }
        if (m_memoryDC) SetDIBColorTable(m_memoryDC.get(), 0, 256, m_info.colors);
    } else if (mode == 2) {
        if (m_memoryDC && table) SetDIBColorTable(m_memoryDC.get(), start, count, table);
    }
    return 1;
}

int ImageBuffer::Blit(const ImageBuffer* source, const RECT* sourceRect, int x, int y) {
    if (!source) return 0;
    const RECT r = sourceRect ? *sourceRect : RECT{0, 0, source->m_width, source->m_height};
    return BitBlt(m_memoryDC.get(), x, y, r.right - r.left, r.bottom - r.top,
                  source->m_memoryDC.get(), r.left, r.top, SRCCOPY);
}

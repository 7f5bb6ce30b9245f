// Image buffers: one picture each, as a DIB section with a memory DC of its own (heap pixels for
// 48 and 64 bits), and the frame in which the pixel kernels run.
#pragma once

#include <windows.h>

#include "imaging/GdiObjects.h"
#include "imaging/kernels/Kernels.h"
#include "support/NonCopyable.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// Rows lie in memory in the order the camera delivers them; the bitmap is bottom-up (positive
// height), so GDI shows memory row 0 at the bottom. Rectangles and positions given to Blit and the
// kernel runners are in picture rows (row 0 at the top, as GDI shows the bitmap).
//
// A buffer has no lock of its own: the camera object's image lock serialises every use of its
// working buffers; buffers made by the file writers and the recorder stay on their own thread.
class ImageBuffer : NonCopyable {
  public:
    ImageBuffer();
    ~ImageBuffer();

    // A zeroed picture of width x height at 8, 16, 24, 32, 48 or 64 bits; 8-bit buffers get the
    // gray colour table. 1 on success; 0 on failure, which leaves the buffer empty, except that
    // sizes below 1, bits 0 or a picture beyond 2 GB are refused with the buffer left as it was.
    int Create(int width, int height, int bits);
    // A zeroed buffer of the other's size and depth (no pixels, no colour table copied).
    int CreateLike(const ImageBuffer* other);
    // Frees everything; the buffer is empty afterwards. Harmless when repeated.
    void Release();

    // Mode 0 writes the gray ramp into the header and the DIB section; mode 2 sets `count`
    // entries from `start` of the DIB section from `table` (the header keeps its copy). Always 1.
    int SetColorTable(int mode, const RGBQUAD* table, UINT start, UINT count);
    // BitBlt of `sourceRect` of the source (whole source when null) to (x, y); GDI converts the
    // format on the way. The BitBlt result; 0 for a heap buffer on either side.
    int Blit(const ImageBuffer* source, const RECT* sourceRect, int x, int y);

    // Runs a positioned kernel with this buffer as destination: `sourceRect` (whole source when
    // null) placed at (x, y) is clipped to both buffers and converted to memory rows. The
    // kernel's result, or 0 when nothing is left or the kernel or source is missing.
    int ApplyKernel(PositionedKernel kernel, const ImageBuffer* source, const RECT* sourceRect,
                    int x, int y, int32_t** extra1);
    // Runs a scaling kernel from `sourceRect` of the source onto `destRect` of this buffer
    // (whole buffers when null); nothing is clipped. 0 when kernel or pixels are missing.
    int ApplyScaledKernel(ScalingKernel kernel, const ImageBuffer* source, const RECT* sourceRect,
                          const RECT* destRect, int32_t** extra1);

    uint8_t* Pixels() { return m_pixels; }
    const uint8_t* Pixels() const { return m_pixels; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Stride() const { return m_stride; }
    int Bits() const { return m_bits; }
    size_t ImageBytes() const { return static_cast<size_t>(m_height) * m_stride; }
    // Null when the pixels live on the heap.
    HDC MemoryDC() const { return m_memoryDC.get(); }
    HBITMAP Section() const { return m_section.get(); }
    // The header and the 256-entry colour table, as passed to CreateDIBSection.
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(&m_info); }

  private:
    struct BitmapInfo256 {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    };

    int Allocate(HDC dc, UINT usage, HANDLE section, DWORD offset);
    void ResetInfo();

    BitmapInfo256 m_info;
    UniqueMemoryDC m_memoryDC;
    UniqueGdiObject<HBITMAP> m_section;
    uint8_t* m_pixels = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_stride = 0;
    uint16_t m_bits = 0;
    DcSelection m_displaced; // puts back what the memory DC held before the section
    std::unique_ptr<uint8_t[]> m_heapPixels;
};

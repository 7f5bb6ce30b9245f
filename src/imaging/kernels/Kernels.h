// Pixel kernels: the portable integer arithmetic that turns raw Bayer frames into output images.
#pragma once

// Every kernel is a pure function over two pixel pointers, their strides and pixel sizes and an
// optional parameter block; none keeps state between calls or takes a lock, so any number of
// threads may run kernels at once on buffers of their own. Nothing here depends on Windows: the
// same code is built into the DLL and natively for the sanitizer tests and benchmarks.
//
// Coordinates are memory rows: row 0 is the lowest address, the first row the camera delivers.
// Colour pixels hold blue, green, red (then a fourth channel that no kernel writes unless its
// description says so); 16-bit samples are little-endian words.

#include <cstdint>

// Left, top, right, bottom; right and bottom are exclusive. Same layout as a Win32 RECT.
struct KernelRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;

    bool operator==(const KernelRect&) const = default;
};

struct KernelSize {
    int32_t width;
    int32_t height;
};

// Each kernel below is a constant pointer to its function, to be handed to the image buffer's
// ApplyKernel or ApplyScaledKernel or called directly.
//
// A positioned kernel processes source columns rect.left..right-1 of source memory rows
// rect.top..bottom-1 and writes the matching destination pixels from column x of memory row y,
// one destination row per source row. extra1 points to a pointer to the kernel's parameter block
// (32-bit integers, layouts below); extra2 is passed through and read by no kernel. Kernels
// return 1 (the region means return the mean); a kernel that needs a block and gets none returns
// 0 without touching a pixel.
using PositionedKernelFn = int(uint8_t* dst, const uint8_t* src, KernelRect rect, int32_t x,
                               int32_t y, uint16_t dstPixelBytes, uint16_t srcPixelBytes,
                               int32_t dstStride, int32_t srcStride, int32_t** extra1,
                               void* extra2);
using PositionedKernel = PositionedKernelFn*;

// A scaling kernel maps the source rectangle onto the destination rectangle; the sizes are those
// of the two whole buffers.
using ScalingKernelFn = int(uint8_t* dst, const uint8_t* src, KernelRect dstRect,
                            KernelRect srcRect, KernelSize dstSize, KernelSize srcSize,
                            uint16_t dstPixelBytes, uint16_t srcPixelBytes, int32_t dstStride,
                            int32_t srcStride, int32_t** extra1, void* extra2);
using ScalingKernel = ScalingKernelFn*;

// ---- Parameter blocks: indexes into the int32 array that *extra1 points to ----

// Demosaic: Bayer phase 0..3, gains in percent (100 = unchanged). Green is carried, not applied.
enum DemosaicBlock {
    kDemosaicPhase,
    kDemosaicRedGain,
    kDemosaicGreenGain,
    kDemosaicBlueGain,
    kDemosaicBlockSize
};

// Gray gains per Bayer position (1/128 units) and offsets; sample bits 8, 10, 12, 14 or 16.
// MeasureGrayGains writes the four gains back.
enum GrayGainBlock {
    kGrayPhase,
    kGrayGainR1,
    kGrayGainG1,
    kGrayGainG2,
    kGrayGainB1,
    kGrayOffsetR1,
    kGrayOffsetG1,
    kGrayOffsetG2,
    kGrayOffsetB1,
    kGraySampleBits,
    kGrayGainBlockSize
};

// White balance: the measured gains in percent are written to the first three entries; the
// Bayer phase is read from the fourth.
enum WhiteBalanceBlock {
    kBalanceBlueGain,
    kBalanceGreenGain,
    kBalanceRedGain,
    kBalancePhase,
    kWhiteBalanceBlockSize
};

// Brightness, contrast, gamma and sharpness: the setting's value and the sample bits of 16-bit
// images (clamped to 8..16; 8-bit kernels ignore it).
enum FilterBlock { kFilterValue, kFilterSampleBits, kFilterBlockSize };

// Hue in degrees (-360..360), an unused entry, saturation (-255..255), sample bits (10).
enum HueBlock { kHueDegrees, kHueUnused, kHueSaturation, kHueSampleBits, kHueBlockSize };

// ---- Raw frame layout (Restride.cpp) ----

// Moves packed rows (row r at byte r * rect.right * pixel bytes) to the stride, in place,
// walking from the last row backwards so that nothing is overwritten before it is moved.
extern const PositionedKernel Restride8, Restride16;

// Mirrors a frame in place through `scratch` (height * stride bytes, not overlapping): reverses
// the pixels of every row when `horizontal`, the order of the rows when `vertical`.
void MirrorFrame(uint8_t* pixels, uint8_t* scratch, int32_t width, int32_t height, int32_t stride,
                 int32_t pixelBytes, bool horizontal, bool vertical);

// The Bayer phase of a frame after MirrorFrame. Reversing a line of even length moves every
// sample to the other parity, so the row bit flips under a vertical mirror of an even height and
// the column bit under a horizontal mirror of an even width; an odd length keeps every parity.
int32_t MirroredBayerPhase(int32_t phase, bool horizontal, bool vertical, int32_t width,
                           int32_t height);

// ---- Demosaic (Demosaic.cpp): 8-bit raw to 24/32-bit, 10-bit raw to 48/64-bit ----

// The interior pass fills rows and columns 2..size-3; the edge pass the two outermost rows and
// columns on every side, and must run after it on the same destination. Frames of any size are
// safe: below 4 x 4 the edge pass folds offsets back into the frame.
extern const PositionedKernel DemosaicInner8, DemosaicEdge8, DemosaicInner16, DemosaicEdge16;

// ---- Measurements (Measurements.cpp) ----

// Mean of the source pixels inside rect, on a 0..255 scale (16-bit: (v >> 2) & 255); 0 for an
// empty rectangle. The destination, x and y are not used.
extern const PositionedKernel MeanGray8, MeanGray16;
// Gray gain block in and out: gains that bring each Bayer position's mean of the samples strictly
// between 0 and the maximum to the brightest one. Unchanged when a position has no such sample.
extern const PositionedKernel MeasureGrayGains;
// White balance block in and out; unchanged when a colour's mean is 0.
extern const PositionedKernel MeasureWhiteBalance8, MeasureWhiteBalance16;

// ---- Nearest-neighbour resize with row flip (Scale.cpp) ----
extern const ScalingKernel ScaleNearest8, ScaleNearest24;

// ---- Depth and order converters (Converters.cpp); the Flip ones reverse the row order ----
extern const PositionedKernel Mono10To8, Mono10To8Flip, Mono12To8Flip, Mono12To16, Mono10To16;
extern const PositionedKernel Color10To8, Color10To8Flip, Color32To24, Color24Flip, Color24Swap,
    Color32Alpha;
extern const PositionedKernel Color12To16, Color12To16Swap, Color10To16, Color10To16Swap;
extern const PositionedKernel Color12To16Alpha, Color12To16SwapAlpha, Color10To16Alpha,
    Color10To16SwapAlpha;
// Copies min(dstStride, srcStride) bytes of each whole row, rows reversed.
extern const PositionedKernel RowsFlip;

// ---- Gray processing (GrayGains.cpp) ----
extern const PositionedKernel GrayGains8, GrayGains16; // gray gain block
extern const PositionedKernel GrayFromColor;           // 24-bit source, 8-bit destination

// ---- Adjustments (Brightness.cpp, ToneTables.cpp): filter block ----
extern const PositionedKernel BrightnessMono8, BrightnessColor8, BrightnessMono16,
    BrightnessColor16;
extern const PositionedKernel ContrastMono8, ContrastColor8, ContrastMono16, ContrastColor16;
extern const PositionedKernel GammaMono8, GammaColor8, GammaMono16, GammaColor16;

// ---- Hue and saturation (HueSaturation.cpp): hue block ----
// The tables they share are constant, and the one that follows the saturation is built on the
// stack of each call, so two cameras may run them at once without a lock.
extern const PositionedKernel HueSaturation8, HueSaturation16;

// ---- Sharpen (Sharpen.cpp): destination the image, source an untouched copy; filter block ----
extern const PositionedKernel SharpenMono8, SharpenMono16, SharpenColor8, SharpenColor16;

// ---- Clipping of ApplyKernel (ClipToBuffers.cpp) ----

struct ClipResult {
    KernelRect rect; // source rectangle in source memory rows
    int32_t x;       // destination column
    int32_t y;       // destination memory row
};

// Clips the source rectangle `pictureRect` (picture rows of the source, row 0 at the top) placed
// at (x, y) (picture rows of the destination) to both buffers, and converts the result to memory
// rows. Returns false, with everything in `out` zero, when nothing is left.
bool ClipToBuffers(KernelSize dst, KernelSize src, KernelRect pictureRect, int32_t x, int32_t y,
                   ClipResult* out);

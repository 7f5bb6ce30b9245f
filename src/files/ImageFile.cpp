// Image files and recording: the conversions each file form needs, run as whole-buffer kernels.
#include "files/ImageFile.h"

#include "imaging/ImageBuffer.h"
#include "imaging/kernels/Kernels.h"

#include <cstring>

namespace {

bool TwelveBit(int sampleDepth) {
    return sampleDepth == 12;
}

// Runs `kernel` from the whole image into `temporary` made like it (or at `bits`, when given).
bool Convert(ImageBuffer& temporary, const ImageBuffer& image, PositionedKernel kernel,
             int bits = 0) {
    const int made =
        bits ? temporary.Create(image.Width(), image.Height(), bits) : temporary.CreateLike(&image);
    return made && temporary.ApplyKernel(kernel, &image, nullptr, 0, 0, nullptr);
}

// BMP files are bottom-up: the rows go out reversed so that memory row 0 ends up on top.
int SaveBmpUpright(const FilePath& path, const ImageBuffer& image) {
    ImageBuffer flipped;
    if (!Convert(flipped, image, RowsFlip)) return 0;
    return WriteBmpFile(path, flipped);
}

// The JPEG writer reads bottom-up rows, so every conversion reverses them; the fourth byte or
// sample of 32-bit and 64-bit pixels is dropped on the way.
struct JpegConversion {
    PositionedKernel kernel;
    int bits;
};

JpegConversion JpegConversionFor(int bits, int sampleDepth) {
    switch (bits) {
    case 8:
        return {RowsFlip, 8};
    case 16:
        return {TwelveBit(sampleDepth) ? Mono12To8Flip : Mono10To8Flip, 8};
    case 24:
    case 32:
        return {Color24Flip, 24};
    case 48:
    case 64:
        return {Color10To8Flip, 24};
    default:
        return {nullptr, 0};
    }
}

int SaveJpeg(const FilePath& path, const ImageBuffer& image, int quality, int sampleDepth) {
    const JpegConversion conversion = JpegConversionFor(image.Bits(), sampleDepth);
    ImageBuffer temporary;
    if (!conversion.kernel || !Convert(temporary, image, conversion.kernel, conversion.bits))
        return 0;
    return WriteJpegFile(path, ViewOf(temporary), quality, 1);
}

int SavePng(const FilePath& path, const ImageBuffer& image, int sampleDepth) {
    PositionedKernel kernel = nullptr;
    switch (image.Bits()) {
    case 16:
        kernel = TwelveBit(sampleDepth) ? Mono12To16 : Mono10To16;
        break;
    // The fourth byte becomes alpha: the pipeline leaves it 0, which must read as opaque.
    case 32:
        kernel = Color32Alpha;
        break;
    case 48:
        kernel = TwelveBit(sampleDepth) ? Color12To16 : Color10To16;
        break;
    case 64:
        kernel = TwelveBit(sampleDepth) ? Color12To16Alpha : Color10To16Alpha;
        break;
    default: // 8 and 24 bits as they are; any other depth fails inside the PNG writer
        return WritePngFile(path, image.Pixels(), image.Width(), image.Height(), image.Bits());
    }
    ImageBuffer temporary;
    if (!Convert(temporary, image, kernel)) return 0;
    return WritePngFile(path, temporary.Pixels(), temporary.Width(), temporary.Height(),
                        temporary.Bits());
}

// TIFF samples go red, green, blue, with 16-bit ones scaled to the full range. The 32-bit
// kernel writes three bytes per pixel, so the fourth stays as made: 0.
struct TiffConversion {
    PositionedKernel kernel; // none: the pixels are copied as they are
    TiffLayout layout;
};

TiffConversion TiffConversionFor(int bits, int sampleDepth) {
    const bool twelve = TwelveBit(sampleDepth);
    switch (bits) {
    case 8:
        return {nullptr, {8, 1, 1}};
    case 16:
        return {twelve ? Mono12To16 : Mono10To16, {16, 1, 1}};
    case 24:
        return {Color24Swap, {8, 2, 3}};
    case 32:
        return {Color24Swap, {8, 2, 4}};
    case 48:
        return {twelve ? Color12To16Swap : Color10To16Swap, {16, 2, 3}};
    case 64:
        return {twelve ? Color12To16SwapAlpha : Color10To16SwapAlpha, {16, 2, 4}};
    default:
        return {nullptr, {0, 0, 0}};
    }
}

int JpegQuality(int fileType) {
    return fileType == kFileJpeg100 ? 100 : fileType == kFileJpeg70 ? 70 : 20;
}

} // namespace

ImageView ViewOf(const ImageBuffer& image) {
    return {image.Pixels(), image.Width(), image.Height(), image.Stride(), image.Bits()};
}

int WriteTiffFile(const FilePath& path, const ImageBuffer& image, int sampleDepth) {
    const TiffConversion conversion = TiffConversionFor(image.Bits(), sampleDepth);
    if (conversion.layout.samplesPerPixel == 0) return 0;
    // Always a private copy: the strip writer packs its rows in place.
    ImageBuffer samples;
    if (conversion.kernel) {
        if (!Convert(samples, image, conversion.kernel)) return 0;
    } else {
        if (!samples.CreateLike(&image)) return 0;
        std::memcpy(samples.Pixels(), image.Pixels(), image.ImageBytes());
    }
    return WriteTiffStrip(path, samples.Pixels(), samples.Width(), samples.Height(),
                          samples.Stride(), conversion.layout);
}

int WriteImageFile(const FilePath& path, const ImageBuffer* image, int fileType, int sampleDepth) {
    if (path.IsNull() || image == nullptr || image->Pixels() == nullptr) return 0;
    switch (fileType) {
    case kFileBmp:
        return SaveBmpUpright(path, *image);
    case kFileRaw:
        return WriteRawFile(path, ViewOf(*image));
    case kFileJpeg100:
    case kFileJpeg70:
    case kFileJpeg20:
        return SaveJpeg(path, *image, JpegQuality(fileType), sampleDepth);
    case kFilePng:
        return SavePng(path, *image, sampleDepth);
    case kFileTiff:
        return WriteTiffFile(path, *image, sampleDepth);
    default:
        return 0;
    }
}

// WriteImageFile over image buffers: every depth in every form, read back with the libraries.
#include "FileTestSupport.h"
#include "files/ImageFile.h"
#include "imaging/ImageBuffer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <tuple>

using namespace files_test;

namespace {

int SampleBytes(int bits) {
    return (bits == 16 || bits >= 48) ? 2 : 1;
}
int Channels(int bits) {
    return bits == 16 ? 1 : bits >= 48 ? bits / 16 : bits / 8;
}

uint8_t* PixelAt(ImageBuffer& image, int x, int memoryRow) {
    return image.Pixels() + memoryRow * image.Stride() + x * (image.Bits() / 8);
}

void SetChannel(ImageBuffer& image, int x, int memoryRow, int c, uint32_t value) {
    uint8_t* p = PixelAt(image, x, memoryRow) + c * SampleBytes(image.Bits());
    p[0] = static_cast<uint8_t>(value);
    if (SampleBytes(image.Bits()) == 2) p[1] = static_cast<uint8_t>(value >> 8);
}

// The top half of the memory rows (the first the camera delivers) bright, the rest dark, every
// channel but the fourth: whole 8 x 8 blocks, so JPEG keeps the two apart.
void FillHalves(ImageBuffer& image, uint32_t bright, uint32_t dark) {
    const int colorChannels = std::min(Channels(image.Bits()), 3);
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            for (int c = 0; c < colorChannels; ++c)
                SetChannel(image, x, y, c, y < image.Height() / 2 ? bright : dark);
}

// The largest value a sample of the image's depth holds: 10 bits for 16-bit words.
uint32_t Full(int bits) {
    return SampleBytes(bits) == 2 ? 1023 : 255;
}

std::vector<uint8_t> Snapshot(const ImageBuffer& image) {
    return std::vector<uint8_t>(image.Pixels(), image.Pixels() + image.ImageBytes());
}

// An image and a scratch folder to write it into.
class ImageFile : public testing::Test {
  protected:
    // Makes the image anew, zeroed, at this size and depth.
    bool Make(int width, int height, int bits) { return image.Create(width, height, bits) == 1; }
    // Writes the image as `name` in the folder.
    int Write(const std::string& name, int fileType, int sampleBits = 10) {
        return WriteImageFile(dir.Path(name).c_str(), &image, fileType, sampleBits);
    }

    ScratchDir dir;
    ImageBuffer image;
};
using ImageFileBmp = ImageFile;
using ImageFileRaw = ImageFile;
using ImageFileJpegDepth = ImageFile;
using ImageFilePng = ImageFile;
using ImageFileTiff = ImageFile;

} // namespace

// ---- Orientation: the first delivered row is the top of every picture ----

using FormAndDepth = std::tuple<int, int>; // file type, bits per pixel

class FirstDeliveredRowOnTop : public ImageFile,
                               public testing::WithParamInterface<FormAndDepth> {};

TEST_P(FirstDeliveredRowOnTop, InEveryFormAndDepth) {
    const auto [fileType, bits] = GetParam();
    ASSERT_TRUE(Make(16, 16, bits));
    FillHalves(image, Full(bits), 0);
    const std::vector<uint8_t> before = Snapshot(image);
    const std::string path = dir.Path("f");
    ASSERT_EQ(Write("f", fileType), 1);
    EXPECT_EQ(Snapshot(image), before) << "the image is only read";

    Picture picture;
    uint32_t top = 0;
    switch (fileType) {
    case kFileBmp:
        picture = ReadBmp(path);
        break;
    case kFileJpeg100:
        picture = ReadJpeg(path).picture;
        break;
    case kFilePng:
        picture = ReadPng(path).picture;
        break;
    case kFileTiff:
        picture = ReadTiff(path).picture;
        break;
    }
    ASSERT_EQ(picture.width, 16);
    ASSERT_EQ(picture.height, 16);
    // What the bright rows become in the file.
    if (fileType == kFileBmp)
        top = Full(bits);
    else if (fileType == kFileJpeg100)
        top = 255;
    else
        top = SampleBytes(bits) == 2 ? 65472 : 255;
    const uint32_t tolerance = fileType == kFileJpeg100 ? 3 : 0;
    for (int c = 0; c < std::min(picture.channels, 3); ++c) {
        EXPECT_NEAR(picture.At(4, 2, c), top, tolerance) << "channel " << c;
        EXPECT_NEAR(picture.At(4, 13, c), 0, tolerance) << "channel " << c;
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, FirstDeliveredRowOnTop,
                         testing::Combine(testing::Values(kFileBmp, kFileJpeg100, kFilePng,
                                                          kFileTiff),
                                          testing::Values(8, 16, 24, 32, 48, 64)));

// ---- BMP ----

struct BmpCase {
    int width, height, bits;
    uint32_t offset;
};

class BmpSize : public ImageFile, public testing::WithParamInterface<BmpCase> {};

TEST_P(BmpSize, HeaderOffsetAndLengthFollowTheDepth) {
    const BmpCase& t = GetParam();
    ASSERT_TRUE(Make(t.width, t.height, t.bits));
    ASSERT_EQ(Write("b.bmp", kFileBmp), 1);
    const std::vector<uint8_t> f = ReadBytes(dir.Path("b.bmp"));
    const size_t stride = (static_cast<size_t>(t.width) * (t.bits / 8) + 3) & ~size_t{3};
    ASSERT_EQ(f.size(), t.offset + t.height * stride);
    EXPECT_EQ(U32At(f, 2), f.size());
    EXPECT_EQ(U32At(f, 10), t.offset);
    EXPECT_EQ(U32At(f, 14), 40u);
    EXPECT_EQ(U32At(f, 18), static_cast<uint32_t>(t.width));
    EXPECT_EQ(U32At(f, 22), static_cast<uint32_t>(t.height));
    EXPECT_EQ(U16At(f, 28), t.bits);
    EXPECT_EQ(U32At(f, 30), 0u); // BI_RGB
    if (t.bits == 8)
        for (uint32_t i : {0u, 1u, 128u, 255u})
            EXPECT_EQ(U32At(f, 54 + 4 * i), i * 0x010101u);
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpSize,
                         testing::Values(BmpCase{1280, 960, 24, 54}, BmpCase{1280, 960, 8, 1078},
                                         BmpCase{5, 3, 16, 54}, BmpCase{5, 3, 48, 54},
                                         BmpCase{7, 2, 64, 54}, BmpCase{3, 3, 32, 54}));

TEST_F(ImageFileBmp, FirstRowInTheFileIsTheLastMemoryRow) {
    ASSERT_TRUE(Make(1280, 960, 24));
    std::fill_n(PixelAt(image, 0, 959), 3840, 0xAB);
    ASSERT_EQ(Write("b.bmp", kFileBmp), 1);
    const std::vector<uint8_t> f = ReadBytes(dir.Path("b.bmp"));
    ASSERT_EQ(f.size(), 54u + 960u * 3840u);
    EXPECT_EQ(f[54], 0xAB);
    EXPECT_EQ(f[54 + 3839], 0xAB);
    EXPECT_EQ(f[54 + 3840], 0);
}

// ---- Raw ----

TEST_F(ImageFileRaw, IsTheBufferAsHeld) {
    ASSERT_TRUE(Make(1280, 960, 16));
    SetChannel(image, 3, 0, 0, 1023);
    SetChannel(image, 1279, 959, 0, 513);
    ASSERT_EQ(Write("r.raw", kFileRaw), 1);
    EXPECT_EQ(ReadBytes(dir.Path("r.raw")), Snapshot(image));
    EXPECT_EQ(image.ImageBytes(), 960u * 2560u);
}

// ---- JPEG ----

struct JpegCase {
    int fileType;
    int quality;
};

class ImageFileJpeg : public ImageFile, public testing::WithParamInterface<JpegCase> {};

TEST_P(ImageFileJpeg, ProgressiveAtTheQualityOfItsFileType) {
    ASSERT_TRUE(Make(40, 24, 24));
    ASSERT_EQ(Write("j.jpg", GetParam().fileType), 1);
    const JpegFacts jpeg = ReadJpeg(dir.Path("j.jpg"));
    ASSERT_TRUE(jpeg.ok);
    EXPECT_TRUE(jpeg.progressive);
    EXPECT_EQ(jpeg.lumaTable, LumaTableFor(GetParam().quality));
}

INSTANTIATE_TEST_SUITE_P(FileTypes, ImageFileJpeg,
                         testing::Values(JpegCase{2, 100}, JpegCase{3, 70}, JpegCase{4, 20}));

TEST_F(ImageFileJpegDepth, ComponentsFollowTheDepth) {
    for (int bits : {8, 16, 24, 32, 48, 64}) {
        SCOPED_TRACE(bits);
        ASSERT_TRUE(Make(8, 8, bits));
        ASSERT_EQ(Write("c.jpg", kFileJpeg70), 1);
        EXPECT_EQ(ReadJpeg(dir.Path("c.jpg")).components, bits <= 16 ? 1 : 3);
    }
}

TEST_F(ImageFileJpegDepth, TwelveBitSamplesScaleByFour) {
    ASSERT_TRUE(Make(8, 8, 16));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            SetChannel(image, x, y, 0, 2048);
    ASSERT_EQ(Write("t.jpg", kFileJpeg100, 12), 1);
    EXPECT_NEAR(ReadJpeg(dir.Path("t.jpg")).picture.At(3, 3, 0), 128, 1);
}

// ---- PNG ----

TEST_F(ImageFilePng, TenBitSample1023IsStoredAsFFC0) {
    ASSERT_TRUE(Make(5, 2, 16)); // odd width: pitch 12 for 10 bytes of samples
    for (int x = 0; x < 5; ++x)
        SetChannel(image, x, 1, 0, 1023 - x);
    ASSERT_EQ(Write("p.png", kFilePng), 1);
    const PngFacts png = ReadPng(dir.Path("p.png"));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.picture.bitDepth, 16);
    ASSERT_EQ(png.rows.size(), 2u);
    EXPECT_EQ(png.rows[1][0], 0xFF);
    EXPECT_EQ(png.rows[1][1], 0xC0);
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(png.picture.At(x, 1, 0), (1023u - x) << 6);
    EXPECT_EQ(png.picture.At(4, 0, 0), 0u);
}

TEST_F(ImageFilePng, ColourChannelsComeOutRedGreenBlueWithOpaqueAlpha) {
    for (int bits : {24, 32, 48, 64}) {
        SCOPED_TRACE(bits);
        ASSERT_TRUE(Make(3, 3, bits));
        const uint32_t scale = SampleBytes(bits) == 2 ? 4 : 1;
        SetChannel(image, 1, 2, 0, 10 * scale); // blue
        SetChannel(image, 1, 2, 1, 20 * scale); // green
        SetChannel(image, 1, 2, 2, 30 * scale); // red
        ASSERT_EQ(Write("c.png", kFilePng), 1);
        const PngFacts png = ReadPng(dir.Path("c.png"));
        ASSERT_TRUE(png.ok);
        const uint32_t unit = SampleBytes(bits) == 2 ? 256 : 1;
        EXPECT_EQ(png.picture.At(1, 2, 0), 30 * unit);
        EXPECT_EQ(png.picture.At(1, 2, 1), 20 * unit);
        EXPECT_EQ(png.picture.At(1, 2, 2), 10 * unit);
        EXPECT_EQ(png.picture.channels, bits == 32 || bits == 64 ? 4 : 3);
        if (png.picture.channels == 4)
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 3; ++x)
                    EXPECT_EQ(png.picture.At(x, y, 3), unit == 1 ? 255u : 65535u);
    }
}

TEST_F(ImageFilePng, FourthByteBecomesItsComplementAsAlpha) {
    ASSERT_TRUE(Make(2, 1, 32));
    PixelAt(image, 1, 0)[3] = 55;
    ASSERT_EQ(Write("a.png", kFilePng), 1);
    const PngFacts png = ReadPng(dir.Path("a.png"));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.picture.At(0, 0, 3), 255u);
    EXPECT_EQ(png.picture.At(1, 0, 3), 200u);
}

// ---- TIFF ----

TEST_F(ImageFileTiff, SamplesScaleAndReorderByDepth) {
    for (int bits : {16, 32, 48, 64}) {
        SCOPED_TRACE(bits);
        ASSERT_TRUE(Make(3, 2, bits));
        SetChannel(image, 2, 0, 0, bits == 32 ? 7 : 1023);
        if (Channels(bits) >= 3) SetChannel(image, 2, 0, 2, bits == 32 ? 9 : 512);
        if (bits == 32) PixelAt(image, 2, 0)[3] = 77; // not carried into the file
        ASSERT_EQ(Write("t.tif", kFileTiff), 1);
        const TiffFacts tiff = ReadTiff(dir.Path("t.tif"));
        ASSERT_TRUE(tiff.ok);
        const Picture& p = tiff.picture;
        switch (bits) {
        case 16:
            EXPECT_EQ(p.At(2, 0, 0), 65472u);
            break;
        case 32:
            EXPECT_EQ(p.At(2, 0, 0), 9u);
            EXPECT_EQ(p.At(2, 0, 2), 7u);
            EXPECT_EQ(p.At(2, 0, 3), 0u);
            break;
        case 48:
        case 64:
            EXPECT_EQ(p.At(2, 0, 0), 32768u);
            EXPECT_EQ(p.At(2, 0, 2), 65472u);
            if (bits == 64) EXPECT_EQ(p.At(2, 0, 3), 65535u);
            break;
        }
        const uint32_t samplesPerPixel = bits == 16 ? 1 : (bits == 32 || bits == 64) ? 4 : 3;
        EXPECT_EQ(tiff.samplesPerPixel, samplesPerPixel);
    }
}

TEST_F(ImageFileTiff, StripOfA1001WideImageIsExactlyThePackedRows) {
    ASSERT_TRUE(Make(1001, 40, 24));
    ASSERT_EQ(Write("w.tif", kFileTiff), 1);
    const TiffFacts tiff = ReadTiff(dir.Path("w.tif"));
    ASSERT_TRUE(tiff.ok);
    EXPECT_EQ(tiff.strips, 1u);
    EXPECT_EQ(tiff.stripByteCount, 3003u * 40u);
}

TEST_F(ImageFileTiff, TwelveBitSamplesScaleBySixteen) {
    ASSERT_TRUE(Make(2, 2, 16));
    SetChannel(image, 0, 0, 0, 4095);
    ASSERT_EQ(Write("t.tif", kFileTiff, 12), 1);
    EXPECT_EQ(ReadTiff(dir.Path("t.tif")).picture.At(0, 0, 0), 65520u);
}

// ---- Every file type ----

class EveryFileType : public ImageFile, public testing::WithParamInterface<int> {};

TEST_P(EveryFileType, SavingOntoALongerFileLeavesExactlyTheNewFile) {
    ASSERT_TRUE(Make(21, 9, 24));
    FillHalves(image, 200, 30);
    ASSERT_EQ(Write("fresh", GetParam()), 1);
    const std::vector<uint8_t> fresh = ReadBytes(dir.Path("fresh"));
    WriteBytes(dir.Path("old"), fresh.size() + 50000, 0x5A);
    ASSERT_EQ(Write("old", GetParam()), 1);
    EXPECT_EQ(ReadBytes(dir.Path("old")), fresh);
}

INSTANTIATE_TEST_SUITE_P(Types, EveryFileType, testing::Range(0, 7));

TEST_F(ImageFile, FileTypesOutsideZeroToSixWriteNothing) {
    ASSERT_TRUE(Make(4, 4, 24));
    for (int fileType : {7, -1, 100, INT_MIN}) {
        SCOPED_TRACE(fileType);
        EXPECT_EQ(Write("x", fileType), 0);
        EXPECT_EQ(GetFileAttributesA(dir.Path("x").c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(ImageFile, AbsentOrEmptyImageWritesNothing) {
    for (int fileType = 0; fileType <= 6; ++fileType) {
        EXPECT_EQ(WriteImageFile(dir.Path("x").c_str(), nullptr, fileType, 10), 0);
        EXPECT_EQ(Write("x", fileType), 0); // the image was never made
    }
    EXPECT_EQ(GetFileAttributesA(dir.Path("x").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ImageFile, TemporaryBuffersAreReleased) {
    ASSERT_TRUE(Make(64, 48, 8));
    auto save = [&] {
        for (int fileType = 0; fileType <= 6; ++fileType)
            Write("l", fileType);
    };
    save(); // first use loads whatever the libraries load once
    const travik_test::ResourceCounts before = travik_test::CountResources();
    for (int i = 0; i < 20; ++i)
        save();
    const travik_test::ResourceCounts after = travik_test::CountResources();
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
}

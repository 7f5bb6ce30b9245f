// The four format writers over hand-made pixels, read back with the image libraries.
#include "FileTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace files_test;

namespace {

void FillPattern(TestImage& image) {
    const uint32_t mask = image.SampleBytes() == 2 ? 0xFFFF : 0xFF;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            for (int c = 0; c < image.Channels(); ++c)
                image.SetSample(x, y, c, ((x * 37 + y * 101 + c * 13) * 97 + 5) & mask);
}

// Colour pixels are blue, green, red in memory and red, green, blue in the files.
int MemoryChannel(int fileChannel, int channels) {
    return channels >= 3 && fileChannel < 3 ? 2 - fileChannel : fileChannel;
}

} // namespace

// ---- Raw ----

TEST(RawFile, IsThePixelBytesExactlyAsHeldWithPaddingAndNoHeader) {
    ScratchDir dir;
    TestImage image(5, 3, 16); // 10 bytes of pixels, stride 12
    FillPattern(image);
    image.Row(1)[10] = 0xAB; // padding goes out too
    ASSERT_EQ(WriteRawFile(dir.Path("a.raw").c_str(), image.View()), 1);
    EXPECT_EQ(ReadBytes(dir.Path("a.raw")), image.bytes);
}

// ---- JPEG ----

TEST(JpegFile, WithoutProgressionIsSequential) {
    ScratchDir dir;
    TestImage image(16, 16, 8);
    ASSERT_EQ(WriteJpegFile(dir.Path("s.jpg").c_str(), image.View(), 70, 0), 1);
    const JpegFacts jpeg = ReadJpeg(dir.Path("s.jpg"));
    ASSERT_TRUE(jpeg.ok);
    EXPECT_FALSE(jpeg.progressive);
}

TEST(JpegFile, LastMemoryRowIsTheTopAndBlueGreenRedBecomesRedGreenBlue) {
    ScratchDir dir;
    TestImage image(32, 32, 24);
    // Memory rows 0..15 red, 16..31 blue: whole 16 x 16 blocks, so subsampling keeps them apart.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            image.SetSample(x, y, y < 16 ? 2 : 0, 255);
    ASSERT_EQ(WriteJpegFile(dir.Path("o.jpg").c_str(), image.View(), 100, 1), 1);
    const JpegFacts jpeg = ReadJpeg(dir.Path("o.jpg"));
    ASSERT_TRUE(jpeg.ok);
    const Picture& p = jpeg.picture;
    for (int y : {0, 4, 11, 20, 27, 31}) {
        SCOPED_TRACE(y);
        const bool blue = y < 16; // the top of the picture is the last memory row
        EXPECT_NEAR(p.At(8, y, 0), blue ? 0 : 255, 6);
        EXPECT_NEAR(p.At(8, y, 1), 0, 6);
        EXPECT_NEAR(p.At(8, y, 2), blue ? 255 : 0, 6);
    }
}

TEST(JpegFile, FatalLibraryErrorReturnsZeroWithTheFileClosed) {
    ScratchDir dir;
    // Wider than JPEG allows: the library fails inside start of compression.
    TestImage wide(70000, 1, 24);
    const std::string path = dir.Path("big.jpg");
    EXPECT_EQ(WriteJpegFile(path.c_str(), wide.View(), 70, 1), 0);
    EXPECT_TRUE(IsClosed(path));
    // The process is still here and the next file is fine.
    TestImage small(8, 8, 24);
    EXPECT_EQ(WriteJpegFile(dir.Path("next.jpg").c_str(), small.View(), 70, 1), 1);
    EXPECT_TRUE(ReadJpeg(dir.Path("next.jpg")).ok);
}

TEST(JpegFile, EmptyImageAndDepthsOtherThan8And24AreRefused) {
    ScratchDir dir;
    TestImage image(4, 4, 24);
    EXPECT_EQ(WriteJpegFile(dir.Path("e.jpg").c_str(), {image.bytes.data(), 0, 4, 12, 24}, 70, 1),
              0);
    EXPECT_TRUE(IsClosed(dir.Path("e.jpg")));
    for (int bits : {16, 32, 48}) {
        TestImage image(4, 4, bits);
        EXPECT_EQ(WriteJpegFile(dir.Path("d.jpg").c_str(), image.View(), 70, 1), 0) << bits;
    }
}

// ---- PNG ----

class PngDepth : public testing::TestWithParam<int> {};

TEST_P(PngDepth, EveryRowOfAnOddWidthComesBackRedGreenBlueTopDown) {
    const int bits = GetParam();
    ScratchDir dir;
    TestImage image(5, 3, bits); // odd width: the row pitch is longer than the row
    FillPattern(image);
    const std::string path = dir.Path("p.png");
    ASSERT_EQ(WritePngFile(path.c_str(), image.bytes.data(), 5, 3, bits), 1);
    const PngFacts png = ReadPng(path);
    ASSERT_TRUE(png.ok);
    const int channels = image.Channels();
    EXPECT_EQ(png.picture.bitDepth, image.SampleBytes() * 8);
    EXPECT_EQ(png.picture.channels, channels);
    EXPECT_EQ(png.colorType, channels == 1 ? 0 : channels == 3 ? 2 : 6);
    ASSERT_EQ(png.picture.samples.size(), 5u * 3u * channels);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            for (int c = 0; c < channels; ++c)
                ASSERT_EQ(png.picture.At(x, y, c), image.Sample(x, y, MemoryChannel(c, channels)))
                    << "x " << x << " y " << y << " c " << c;
}

INSTANTIATE_TEST_SUITE_P(Depths, PngDepth, testing::Values(8, 16, 24, 32, 48, 64));

TEST(PngFile, UnsupportedDepthFailsThroughTheErrorFunctionWithTheFileClosed) {
    ScratchDir dir;
    TestImage image(4, 4, 32);
    for (int bits : {0, 12, 40, 128}) {
        SCOPED_TRACE(bits);
        const std::string path = dir.Path("u.png");
        testing::internal::CaptureStderr();
        EXPECT_EQ(WritePngFile(path.c_str(), image.bytes.data(), 4, 4, bits), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("libpng error: ", 0), 0u);
        EXPECT_TRUE(IsClosed(path));
    }
}

TEST(PngFile, AbsentPathOrPixelsGiveZero) {
    ScratchDir dir;
    TestImage image(4, 4, 24);
    EXPECT_EQ(WritePngFile(nullptr, image.bytes.data(), 4, 4, 24), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(WritePngFile(dir.Path("n.png").c_str(), nullptr, 4, 4, 24), 0);
    testing::internal::GetCapturedStderr();
}

// ---- TIFF ----

struct TiffCase {
    int imageBits; // depth of the hand-made sample buffer
    TiffLayout layout;
    int width;
};

class TiffStrip : public testing::TestWithParam<TiffCase> {};

TEST_P(TiffStrip, OneUnpaddedStripTopDownWithExactlyTheBaselineTags) {
    const TiffCase& t = GetParam();
    ScratchDir dir;
    TestImage image(t.width, 3, t.imageBits);
    FillPattern(image);
    const TestImage original = image; // the writer packs the rows in place
    const std::string path = dir.Path("t.tif");
    ASSERT_EQ(WriteTiffStrip(path.c_str(), image.bytes.data(), t.width, 3, image.stride, t.layout),
              1);
    const TiffFacts tiff = ReadTiff(path);
    ASSERT_TRUE(tiff.ok);
    EXPECT_EQ(tiff.tags, (std::vector<uint16_t>{256, 257, 258, 259, 262, 273, 277, 279, 284}));
    EXPECT_EQ(tiff.strips, 1u);
    EXPECT_EQ(tiff.bitsPerSample, static_cast<uint32_t>(t.layout.bitsPerSample));
    EXPECT_EQ(tiff.photometric, static_cast<uint32_t>(t.layout.photometric));
    EXPECT_EQ(tiff.samplesPerPixel, static_cast<uint32_t>(t.layout.samplesPerPixel));
    const uint64_t rowBytes = uint64_t{static_cast<uint32_t>(t.width)} * t.layout.samplesPerPixel *
                              t.layout.bitsPerSample / 8;
    EXPECT_EQ(tiff.stripByteCount, rowBytes * 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < t.width; ++x)
            for (int c = 0; c < t.layout.samplesPerPixel; ++c)
                ASSERT_EQ(tiff.picture.At(x, y, c), original.Sample(x, y, c))
                    << "x " << x << " y " << y << " c " << c;
}

INSTANTIATE_TEST_SUITE_P(Layouts, TiffStrip,
                         testing::Values(TiffCase{8, {8, 1, 1}, 5}, TiffCase{16, {16, 1, 1}, 5},
                                         TiffCase{24, {8, 2, 3}, 5}, TiffCase{24, {8, 2, 3}, 1001},
                                         TiffCase{32, {8, 2, 4}, 3}, TiffCase{48, {16, 2, 3}, 5},
                                         TiffCase{64, {16, 2, 4}, 7}));

TEST(TiffFile, SamplesThatDoNotFitTheStrideAreRefused) {
    ScratchDir dir;
    TestImage image(5, 3, 8);
    EXPECT_EQ(WriteTiffStrip(dir.Path("x.tif").c_str(), image.bytes.data(), 5, 3, image.stride,
                             {16, 2, 3}),
              0);
}

// ---- Every writer ----

struct WriterCase {
    const char* name;
    std::function<int(const FilePath&, TestImage&)> write;
    int wideWrite(const wchar_t* path, TestImage& image) const { return write(path, image); }
};

class EveryWriter : public testing::TestWithParam<WriterCase> {};

TEST_P(EveryWriter, FileInAMissingDirectoryGivesZero) {
    ScratchDir dir;
    TestImage image(4, 4, 24);
    EXPECT_EQ(GetParam().write(dir.Path("no\\such\\dir\\f").c_str(), image), 0);
}

// Z:\dev\full opens, and every write to it fails with "no space". A small picture fits in a
// stream's buffer, so only the flush and close at the end meet the full disk.
TEST_P(EveryWriter, AFullDiskGivesZeroEvenForAPictureThatFitsInABuffer) {
    TestImage small(2, 2, 24);
    EXPECT_EQ(GetParam().write("Z:\\dev\\full", small), 0);
    TestImage large(300, 200, 24);
    EXPECT_EQ(GetParam().write("Z:\\dev\\full", large), 0);
}

// Names outside every ANSI code page reach the file system as they are.
TEST_P(EveryWriter, AWideNameIsWrittenUnderItsOwnName) {
    ScratchDir dir;
    const std::string narrow = dir.Path("");
    const std::wstring name =
        std::wstring(narrow.begin(), narrow.end()) + L"\u03c6\u5199." + std::wstring(1, L'a');
    TestImage image(4, 4, 24);
    EXPECT_EQ(GetParam().wideWrite(name.c_str(), image), 1);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data));
    EXPECT_GT(data.nFileSizeLow, 40u);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, EveryWriter,
    testing::Values(
        WriterCase{"raw",
                   [](const FilePath& p, TestImage& i) { return WriteRawFile(p, i.View()); }},
        WriterCase{"jpeg", [](const FilePath& p,
                              TestImage& i) { return WriteJpegFile(p, i.View(), 70, 1); }},
        WriterCase{"png",
                   [](const FilePath& p, TestImage& i) {
                       return WritePngFile(p, i.bytes.data(), i.width, i.height, i.bits);
                   }},
        WriterCase{
            "tiff",
            [](const FilePath& p, TestImage& i) {
                return WriteTiffStrip(p, i.bytes.data(), i.width, i.height, i.stride, {8, 2, 3});
            }}),
    [](const testing::TestParamInfo<WriterCase>& info) { return std::string(info.param.name); });

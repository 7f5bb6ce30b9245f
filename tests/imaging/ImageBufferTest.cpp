// Image buffer: sizes, strides, the gray table, the heap fallback, release, blits, BMP files and
// the two kernel runners with their clipping.
#include "files/ImageFile.h"
#include "imaging/ImageBuffer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::string TempPath(const char* name) {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

bool AllZero(const ImageBuffer& image) {
    for (size_t i = 0; i < image.ImageBytes(); ++i)
        if (image.Pixels()[i] != 0) return false;
    return true;
}

void ExpectGrayTable(const RGBQUAD* table) {
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(table[i].rgbBlue, i);
        ASSERT_EQ(table[i].rgbGreen, i);
        ASSERT_EQ(table[i].rgbRed, i);
        ASSERT_EQ(table[i].rgbReserved, 0);
    }
}

// ---- Creation ----

class Geometry : public ::testing::TestWithParam<std::tuple<int, int, int, int>> {};

TEST_P(Geometry, StrideIsTheRowRoundedUpToFourBytes) {
    const auto [width, height, bits, stride] = GetParam();
    ImageBuffer image;
    ASSERT_EQ(image.Create(width, height, bits), 1);
    EXPECT_EQ(image.Width(), width);
    EXPECT_EQ(image.Height(), height);
    EXPECT_EQ(image.Bits(), bits);
    EXPECT_EQ(image.Stride(), stride);
    EXPECT_TRUE(AllZero(image));
    const BITMAPINFOHEADER& h = image.Info()->bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, width);
    EXPECT_EQ(h.biHeight, height); // positive: bottom-up
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, bits);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h.biSizeImage, 0u);
    // GDI takes 8 to 32 bits; 48 and 64 bits live on the heap without a DC.
    EXPECT_EQ(image.MemoryDC() != nullptr, bits <= 32);
    EXPECT_EQ(image.Section() != nullptr, bits <= 32);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, Geometry,
    ::testing::Values(std::make_tuple(3, 2, 8, 4), std::make_tuple(1278, 4, 8, 1280),
                      std::make_tuple(5, 3, 16, 12), std::make_tuple(5, 3, 24, 16),
                      std::make_tuple(7, 2, 32, 28), std::make_tuple(1280, 960, 48, 7680),
                      std::make_tuple(3, 5, 48, 20), std::make_tuple(1, 1, 64, 8),
                      std::make_tuple(1280, 960, 64, 10240)));

TEST(ImageBuffer, EightBitBufferCarriesTheGrayTableInHeaderAndSection) {
    ImageBuffer image;
    ASSERT_EQ(image.Create(3, 2, 8), 1);
    EXPECT_EQ(image.ImageBytes(), 8u);
    ExpectGrayTable(image.Info()->bmiColors);
    RGBQUAD table[256] = {};
    ASSERT_EQ(GetDIBColorTable(image.MemoryDC(), 0, 256, table), 256u);
    ExpectGrayTable(table);
}

class RefusedSize : public ::testing::TestWithParam<std::tuple<int, int, int>> {};

TEST_P(RefusedSize, LeavesTheHeldImageAlone) {
    const auto [width, height, bits] = GetParam();
    ImageBuffer image;
    ASSERT_EQ(image.Create(640, 480, 8), 1);
    image.Pixels()[100] = 42;
    EXPECT_EQ(image.Create(width, height, bits), 0);
    EXPECT_EQ(image.Width(), 640);
    EXPECT_EQ(image.Height(), 480);
    EXPECT_EQ(image.Bits(), 8);
    EXPECT_EQ(image.Pixels()[100], 42);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RefusedSize,
                         ::testing::Values(std::make_tuple(0, 480, 8), std::make_tuple(640, 0, 24),
                                           std::make_tuple(-5, 10, 24), std::make_tuple(10, 10, 0),
                                           std::make_tuple(100000, 100000, 24)));

TEST(ImageBuffer, CreateLikeGivesAZeroedBufferOfTheSameShape) {
    for (int bits : {8, 16, 24, 32, 48, 64}) {
        ImageBuffer source;
        ASSERT_EQ(source.Create(640, 480, bits), 1);
        std::memset(source.Pixels(), 0x5A, source.ImageBytes());
        if (bits == 8) {
            const RGBQUAD red = {0, 0, 255, 0};
            source.SetColorTable(2, &red, 0, 1);
        }
        ImageBuffer copy;
        ASSERT_EQ(copy.CreateLike(&source), 1) << bits;
        EXPECT_EQ(copy.Width(), 640);
        EXPECT_EQ(copy.Height(), 480);
        EXPECT_EQ(copy.Bits(), bits);
        EXPECT_EQ(copy.Stride(), source.Stride());
        EXPECT_TRUE(AllZero(copy)) << bits;
        EXPECT_EQ(copy.MemoryDC() != nullptr, bits <= 32);
        if (bits == 8) {
            RGBQUAD table[256] = {};
            GetDIBColorTable(copy.MemoryDC(), 0, 256, table);
            ExpectGrayTable(table); // the gray table anew, not the source's entries
        }
    }
}

TEST(ImageBuffer, CreateLikeRefusesMissingOrEmptyBuffers) {
    ImageBuffer image, empty;
    ASSERT_EQ(image.Create(4, 4, 24), 1);
    EXPECT_EQ(image.CreateLike(nullptr), 0);
    EXPECT_EQ(image.CreateLike(&empty), 0);
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.CreateLike(&image), 1); // itself: the same shape, zeroed
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.Bits(), 24);
}

TEST(ImageBuffer, ReleaseFreesTheGdiObjectsAndEmptiesTheBuffer) {
    ImageBuffer image;
    ASSERT_EQ(image.Create(64, 48, 24), 1);
    HDC dc = image.MemoryDC();
    HBITMAP section = image.Section();
    ASSERT_NE(GetObjectType(dc), 0u);
    ASSERT_NE(GetObjectType(section), 0u);
    image.Release();
    EXPECT_EQ(GetObjectType(dc), 0u);
    EXPECT_EQ(GetObjectType(section), 0u);
    EXPECT_EQ(image.Pixels(), nullptr);
    EXPECT_EQ(image.Width() | image.Height() | image.Stride() | image.Bits(), 0);
    EXPECT_EQ(image.Info()->bmiHeader.biSize, 40u);
    EXPECT_EQ(image.Info()->bmiHeader.biWidth, 0);
    image.Release();
    EXPECT_EQ(image.Pixels(), nullptr);
}

TEST(ImageBuffer, CreatingAnewReleasesTheOldObjects) {
    ImageBuffer image;
    ASSERT_EQ(image.Create(64, 48, 8), 1);
    HBITMAP first = image.Section();
    for (int round = 0; round < 50; ++round)
        ASSERT_EQ(image.Create(32 + round, 20, 24), 1);
    EXPECT_EQ(GetObjectType(first), 0u);
}

// ---- Blits and colour tables ----

TEST(ImageBuffer, BlitTurnsGrayIndexesIntoEqualColourChannels) {
    ImageBuffer gray, colour;
    ASSERT_EQ(gray.Create(6, 4, 8), 1);
    ASSERT_EQ(colour.Create(6, 4, 24), 1);
    std::memset(gray.Pixels(), 77, gray.ImageBytes());
    gray.Pixels()[0] = 200; // memory row 0, the bottom picture row
    ASSERT_NE(colour.Blit(&gray, nullptr, 0, 0), 0);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(colour.Pixels()[c], 200);
        EXPECT_EQ(colour.Pixels()[3 + c], 77);
        EXPECT_EQ(colour.Pixels()[3 * colour.Stride() + 15 + c], 77);
    }
}

TEST(ImageBuffer, CallersColourTableReachesTheSectionButNotTheHeader) {
    ImageBuffer gray, colour;
    ASSERT_EQ(gray.Create(2, 2, 8), 1);
    ASSERT_EQ(colour.Create(2, 2, 24), 1);
    std::memset(gray.Pixels(), 77, gray.ImageBytes());
    const RGBQUAD red = {0, 0, 255, 0};
    EXPECT_EQ(gray.SetColorTable(2, &red, 77, 1), 1);
    EXPECT_EQ(gray.Info()->bmiColors[77].rgbRed, 77);
    colour.Blit(&gray, nullptr, 0, 0);
    EXPECT_EQ(colour.Pixels()[0], 0);
    EXPECT_EQ(colour.Pixels()[2], 255);
    EXPECT_EQ(gray.SetColorTable(1, &red, 0, 1), 1); // other modes do nothing
}

TEST(ImageBuffer, BlitOfARectangleLandsAtThePictureRowsGiven) {
    ImageBuffer gray, colour;
    ASSERT_EQ(gray.Create(4, 4, 8), 1);
    ASSERT_EQ(colour.Create(4, 4, 24), 1);
    // Picture row 0 (top) is memory row 3.
    for (int j = 0; j < 4; ++j)
        gray.Pixels()[3 * gray.Stride() + j] = static_cast<uint8_t>(10 + j);
    const RECT topRow = {1, 0, 3, 1};
    ASSERT_NE(colour.Blit(&gray, &topRow, 0, 2), 0); // into picture row 2 = memory row 1
    EXPECT_EQ(colour.Pixels()[colour.Stride() + 0], 11);
    EXPECT_EQ(colour.Pixels()[colour.Stride() + 3], 12);
    EXPECT_EQ(colour.Pixels()[colour.Stride() + 6], 0);
}

TEST(ImageBuffer, HeapBuffersCannotBeBlitted) {
    ImageBuffer wide, colour;
    ASSERT_EQ(wide.Create(4, 4, 48), 1);
    ASSERT_EQ(colour.Create(4, 4, 24), 1);
    EXPECT_EQ(colour.Blit(&wide, nullptr, 0, 0), 0);
    EXPECT_EQ(wide.Blit(&colour, nullptr, 0, 0), 0);
    EXPECT_EQ(wide.SetColorTable(0, nullptr, 0, 0), 1);
}

// ---- BMP files ----

class BmpFile : public ::testing::TestWithParam<std::tuple<int, uint32_t>> {};

TEST_P(BmpFile, HasTheSizeOffsetHeadersAndRowsInMemoryOrder) {
    const auto [bits, offset] = GetParam();
    ImageBuffer image;
    ASSERT_EQ(image.Create(640, 480, bits), 1);
    for (size_t i = 0; i < image.ImageBytes(); ++i)
        image.Pixels()[i] = static_cast<uint8_t>(i * 7 + i / 1000);
    const std::string path = TempPath("travik_imaging_test.bmp");
    DeleteFileA(path.c_str());
    ASSERT_EQ(WriteBmpFile(path.c_str(), image), 1);
    const std::vector<uint8_t> file = ReadFile(path);
    const size_t expectedSize = offset + image.ImageBytes();
    ASSERT_EQ(file.size(), expectedSize);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Le32(file, 2), expectedSize);
    EXPECT_EQ(Le32(file, 6), 0u);
    EXPECT_EQ(Le32(file, 10), offset);
    EXPECT_EQ(std::memcmp(file.data() + 14, &image.Info()->bmiHeader, 40), 0);
    if (bits == 8) ExpectGrayTable(reinterpret_cast<const RGBQUAD*>(file.data() + 54));
    EXPECT_EQ(std::memcmp(file.data() + offset, image.Pixels(), image.ImageBytes()), 0);
    DeleteFileA(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpFile,
                         ::testing::Values(std::make_tuple(8, 1078u), std::make_tuple(24, 54u),
                                           std::make_tuple(32, 54u), std::make_tuple(48, 54u),
                                           std::make_tuple(64, 54u)));

TEST(SaveBmp, OverwritingALongerFileLeavesExactlyTheNewLength) {
    const std::string path = TempPath("travik_imaging_overwrite.bmp");
    {
        std::ofstream out(path, std::ios::binary);
        out << std::string(500000, 'x');
    }
    ImageBuffer image;
    ASSERT_EQ(image.Create(10, 10, 24), 1);
    ASSERT_EQ(WriteBmpFile(path.c_str(), image), 1);
    EXPECT_EQ(ReadFile(path).size(), 54u + 10 * 32);
    DeleteFileA(path.c_str());
}

TEST(SaveBmp, UnwritablePathFails) {
    ImageBuffer image;
    ASSERT_EQ(image.Create(10, 10, 24), 1);
    EXPECT_EQ(WriteBmpFile(TempPath("no_such_directory_travik\\x.bmp").c_str(), image), 0);
    EXPECT_EQ(WriteBmpFile(nullptr, image), 0);
}

TEST(SaveBmp, DoesNotKeepTheFileOpen) {
    const std::string path = TempPath("travik_imaging_closed.bmp");
    ImageBuffer image;
    ASSERT_EQ(image.Create(8, 8, 8), 1);
    ASSERT_EQ(WriteBmpFile(path.c_str(), image), 1);
    EXPECT_NE(DeleteFileA(path.c_str()), 0); // no sharing was allowed while it was open
}

// ---- Kernel runners ----

struct Call {
    int count = 0;
    const uint8_t* dst = nullptr;
    const uint8_t* src = nullptr;
    KernelRect rect{};
    int32_t x = 0, y = 0;
    uint16_t dstBytes = 0, srcBytes = 0;
    int32_t dstStride = 0, srcStride = 0;
    int32_t** extra1 = nullptr;
};
Call g_call;

int SpyKernel(uint8_t* dst, const uint8_t* src, KernelRect rect, int32_t x, int32_t y,
              uint16_t dstBytes, uint16_t srcBytes, int32_t dstStride, int32_t srcStride,
              int32_t** extra1) {
    g_call = Call{g_call.count + 1, dst,      src,       rect,      x,     y,
                  dstBytes,         srcBytes, dstStride, srcStride, extra1};
    return 42;
}

class ApplyKernelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_call = Call{};
        ASSERT_EQ(dst.Create(64, 48, 24), 1);
        ASSERT_EQ(src.Create(64, 48, 8), 1);
    }
    ImageBuffer dst, src;
};

TEST_F(ApplyKernelTest, WholeBuffersPassPixelsSizesAndStridesThrough) {
    int32_t block[1] = {};
    int32_t* pointer = block;
    EXPECT_EQ(dst.ApplyKernel(SpyKernel, &src, nullptr, 0, 0, &pointer), 42);
    EXPECT_EQ(g_call.count, 1);
    EXPECT_EQ(g_call.dst, dst.Pixels());
    EXPECT_EQ(g_call.src, src.Pixels());
    EXPECT_EQ(g_call.rect, (KernelRect{0, 0, 64, 48}));
    EXPECT_EQ(g_call.x, 0);
    EXPECT_EQ(g_call.y, 0);
    EXPECT_EQ(g_call.dstBytes, 3);
    EXPECT_EQ(g_call.srcBytes, 1);
    EXPECT_EQ(g_call.dstStride, 192);
    EXPECT_EQ(g_call.srcStride, 64);
    EXPECT_EQ(g_call.extra1, &pointer);
}

TEST_F(ApplyKernelTest, NegativeDestinationColumnSkipsTheSourceColumnsOffTheEdge) {
    EXPECT_EQ(dst.ApplyKernel(SpyKernel, &src, nullptr, -10, 0, nullptr), 42);
    EXPECT_EQ(g_call.rect, (KernelRect{10, 0, 64, 48}));
    EXPECT_EQ(g_call.x, 0);
    EXPECT_EQ(g_call.y, 0);
}

TEST_F(ApplyKernelTest, PositionAtOrBeyondTheDestinationDoesNotCallTheKernel) {
    for (auto [x, y] : {std::pair{64, 0}, std::pair{0, 48}, std::pair{100, 100}, std::pair{-64, 0},
                        std::pair{0, -48}}) {
        EXPECT_EQ(dst.ApplyKernel(SpyKernel, &src, nullptr, x, y, nullptr), 0);
    }
    EXPECT_EQ(g_call.count, 0);
}

TEST_F(ApplyKernelTest, MissingKernelSourceOrPixelsGiveZero) {
    ImageBuffer empty;
    EXPECT_EQ(dst.ApplyKernel(nullptr, &src, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(dst.ApplyKernel(SpyKernel, nullptr, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(dst.ApplyKernel(SpyKernel, &empty, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(empty.ApplyKernel(SpyKernel, &src, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(g_call.count, 0);
}

TEST_F(ApplyKernelTest, SourceRectangleLeftOfTheSourceStaysInsideTheDestination) {
    const RECT rect = {-5, 0, 64, 48};
    EXPECT_EQ(dst.ApplyKernel(SpyKernel, &src, &rect, 0, 0, nullptr), 42);
    EXPECT_EQ(g_call.rect, (KernelRect{0, 0, 59, 48}));
    EXPECT_EQ(g_call.x, 5);
    EXPECT_GE(g_call.y, 0);
}

TEST_F(ApplyKernelTest, RealKernelsRunThroughTheBuffers) {
    // Rows reversed into a copy, as the BMP writer does.
    for (int r = 0; r < 48; ++r)
        std::memset(src.Pixels() + r * 64, r, 64);
    ImageBuffer flipped;
    ASSERT_EQ(flipped.CreateLike(&src), 1);
    EXPECT_EQ(flipped.ApplyKernel(RowsFlip, &src, nullptr, 0, 0, nullptr), 1);
    EXPECT_EQ(flipped.Pixels()[0], 47);
    EXPECT_EQ(flipped.Pixels()[47 * 64 + 5], 0);
    // A region mean on the same buffer: picture rows 8..16 are memory rows 32..39.
    const RECT region = {0, 8, 64, 16};
    EXPECT_EQ(src.ApplyKernel(MeanGray8, &src, &region, 0, 8, nullptr), (32 + 39) / 2);
}

TEST(ApplyScaledKernel, ResizesWholeBuffersWithRowFlip) {
    ImageBuffer image, display;
    ASSERT_EQ(image.Create(640, 480, 24), 1);
    ASSERT_EQ(display.Create(320, 240, 24), 1);
    for (int r = 0; r < 480; ++r)
        for (int j = 0; j < 640; ++j)
            image.Pixels()[r * image.Stride() + 3 * j] = static_cast<uint8_t>(r ^ j);
    EXPECT_EQ(display.ApplyScaledKernel(ScaleNearest24, &image, nullptr, nullptr, nullptr), 1);
    for (int y = 0; y < 240; y += 17)
        for (int x = 0; x < 320; x += 13)
            ASSERT_EQ(display.Pixels()[y * display.Stride() + 3 * x],
                      static_cast<uint8_t>((479 - 2 * y) ^ (2 * x)));
    EXPECT_EQ(display.ApplyScaledKernel(nullptr, &image, nullptr, nullptr, nullptr), 0);
    ImageBuffer empty;
    EXPECT_EQ(display.ApplyScaledKernel(ScaleNearest24, &empty, nullptr, nullptr, nullptr), 0);
}

} // namespace

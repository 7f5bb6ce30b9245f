// The AVI writer: header fields after Begin, chunks and index, the patched fields after Finish.
#include "FileTestSupport.h"
#include "files/AviWriter.h"

#include <gtest/gtest.h>

#include <string>

using namespace files_test;

namespace {

std::string Code(const std::vector<uint8_t>& bytes, size_t offset) {
    return std::string(reinterpret_cast<const char*>(bytes.data()) + offset, 4);
}

void Prepare(AviWriter& avi, int width, int height) {
    avi.m_width = width;
    avi.m_height = height;
    avi.m_bits = 24;
    avi.m_frameRate = 30;
    avi.m_frameCount = 0;
}

std::vector<uint8_t> Frame(uint32_t bytes, int seed) {
    std::vector<uint8_t> frame(bytes);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint8_t>(i * 7 + seed * 31);
    return frame;
}

// Records n frames of width x height with the given rate field and returns the file.
std::vector<uint8_t> Record(const std::string& path, int width, int height, int n,
                            uint32_t rateField) {
    AviWriter avi;
    Prepare(avi, width, height);
    EXPECT_EQ(avi.Begin(path.c_str()), 1);
    for (int k = 0; k < n; ++k)
        EXPECT_EQ(avi.AddFrame(Frame(avi.FrameBytes(), k).data()), 1);
    avi.m_frameRate = rateField;
    avi.Finish();
    EXPECT_FALSE(avi.IsOpen());
    return ReadBytes(path);
}

} // namespace

TEST(AviWriter, FrameBytesAreThe24BitRowPitchTimesHeight) {
    AviWriter avi;
    Prepare(avi, 1280, 960);
    EXPECT_EQ(avi.FrameBytes(), 3686400u);
    Prepare(avi, 5, 3); // 15-byte rows padded to 16
    EXPECT_EQ(avi.FrameBytes(), 48u);
}

TEST(AviWriter, AfterBeginTheFileIsTheHeaderWithSizesZeroAndThirtyFramesPerSecond) {
    ScratchDir dir;
    const std::string path = dir.Path("b.avi");
    AviWriter avi;
    Prepare(avi, 1280, 960);
    avi.m_bits = 48; // the depth of the camera's image does not change the 24-bit frames
    ASSERT_EQ(avi.Begin(path.c_str()), 1);
    avi.Reset(); // closes without finishing: the file is exactly what Begin wrote
    const std::vector<uint8_t> f = ReadBytes(path);
    ASSERT_EQ(f.size(), 232u);
    const struct {
        size_t offset;
        const char* code;
    } codes[] = {{0, "RIFF"},   {8, "AVI "},   {12, "LIST"},  {20, "hdrl"},  {24, "avih"},
                 {88, "LIST"},  {96, "strl"},  {100, "strh"}, {108, "vids"}, {112, "DIB "},
                 {172, "strf"}, {220, "LIST"}, {228, "movi"}};
    for (const auto& c : codes)
        EXPECT_EQ(Code(f, c.offset), c.code) << c.offset;
    const struct {
        size_t offset;
        uint32_t value;
    } fields[] = {{4, 0},           {16, 200},     {28, 56},        {32, 33333}, {40, 0},
                  {44, 0x00010010}, {48, 0},       {52, 0},         {56, 1},     {60, 3686408},
                  {64, 1280},       {68, 960},     {72, 0},         {76, 0},     {80, 0},
                  {84, 0},          {92, 124},     {104, 64},       {116, 0},    {120, 0},
                  {124, 0},         {128, 333333}, {132, 10000000}, {136, 0},    {140, 0},
                  {144, 3686408},   {148, 0},      {152, 0},        {156, 0},    {160, 0},
                  {164, 0},         {168, 0},      {176, 40},       {180, 40},   {184, 1280},
                  {188, 960},       {196, 0},      {200, 0},        {204, 0},    {208, 0},
                  {212, 0},         {216, 0},      {224, 0}};
    for (const auto& field : fields)
        EXPECT_EQ(U32At(f, field.offset), field.value) << field.offset;
    EXPECT_EQ(U16At(f, 192), 1);  // planes
    EXPECT_EQ(U16At(f, 194), 24); // bits per pixel
}

TEST(AviWriter, ChunksIndexAndLengthFollowTheFrameCount) {
    ScratchDir dir;
    const std::string path = dir.Path("n.avi");
    constexpr int kFrames = 4;
    const std::vector<uint8_t> f = Record(path, 5, 3, kFrames, 3000);
    constexpr uint32_t S = 48;
    const size_t indexAt = 232 + kFrames * (8 + S);
    ASSERT_EQ(f.size(), indexAt + 8 + 16 * kFrames);
    EXPECT_EQ(U32At(f, 4), f.size() - 8);
    EXPECT_EQ(U32At(f, 224), 4 + kFrames * (8 + S));
    EXPECT_EQ(U32At(f, 48), static_cast<uint32_t>(kFrames));
    EXPECT_EQ(U32At(f, 140), static_cast<uint32_t>(kFrames));
    for (int k = 0; k < kFrames; ++k) {
        SCOPED_TRACE(k);
        const size_t chunk = 232 + k * (8 + S);
        EXPECT_EQ(Code(f, chunk), "00db");
        EXPECT_EQ(U32At(f, chunk + 4), S);
        const std::vector<uint8_t> expected = Frame(S, k);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), f.begin() + chunk + 8));
        const size_t entry = indexAt + 8 + 16 * k;
        EXPECT_EQ(Code(f, entry), "00db");
        EXPECT_EQ(U32At(f, entry + 4), 0x10u);
        EXPECT_EQ(U32At(f, entry + 8), 4 + k * (8 + S));
        EXPECT_EQ(U32At(f, entry + 12), S);
        // The index offset counts from the "movi" code at 228.
        EXPECT_EQ(Code(f, 228 + U32At(f, entry + 8)), "00db");
    }
    EXPECT_EQ(Code(f, indexAt), "idx1");
    EXPECT_EQ(U32At(f, indexAt + 4), 16u * kFrames);
}

TEST(AviWriter, FullFrameFileLengthFormula) {
    ScratchDir dir;
    const std::vector<uint8_t> f = Record(dir.Path("full.avi"), 1280, 960, 2, 3000);
    EXPECT_EQ(f.size(), 232u + 2 * 3686408u + 8 + 16 * 2);
    EXPECT_EQ(U32At(f, 4), f.size() - 8);
    EXPECT_EQ(U32At(f, 224), 4u + 2 * 3686408u);
    EXPECT_EQ(U32At(f, 60), 3686408u);
    EXPECT_EQ(U32At(f, 144), 3686408u);
}

struct RateCase {
    uint32_t frames;
    uint32_t elapsedMs;
    uint32_t rateField;
    uint32_t microSecPerFrame;
    uint32_t scale;
};

class AviRate : public testing::TestWithParam<RateCase> {};

TEST_P(AviRate, MeasuredRateIsPatchedIntoBothHeaders) {
    const RateCase& r = GetParam();
    EXPECT_EQ(AviWriter::MeasuredRate(r.frames, r.elapsedMs), r.rateField);
    ScratchDir dir;
    const std::vector<uint8_t> f = Record(dir.Path("r.avi"), 4, 2, 2, r.rateField);
    EXPECT_EQ(U32At(f, 32), r.microSecPerFrame);
    EXPECT_EQ(U32At(f, 128), r.scale);
    EXPECT_EQ(U32At(f, 132), 10000000u);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, AviRate,
    testing::Values(RateCase{300, 10000, 3000, 33333, 333333},
                    RateCase{150, 10000, 1500, 66666, 666666},
                    // A rate below one frame per 100 s, and no time at all: no division by zero.
                    RateCase{1, 200000, 0, 100000000, 1000000000},
                    RateCase{2, 0, 200000, 500, 5000}));

TEST(AviWriter, MeasuredRateOfALongRecordingDoesNotWrap) {
    // 50,000 frames x 100,000 overflows 32 bits; 50,000 frames in 2,000 s are 25 per second.
    EXPECT_EQ(AviWriter::MeasuredRate(50000, 2000000), 2500u);
    EXPECT_EQ(AviWriter::MeasuredRate(0xFFFFFFFFu, 1), 0xFFFFFFFFu);
}

TEST(AviWriter, FinishWithNoFramesIsAValidEmptyFile) {
    ScratchDir dir;
    const std::vector<uint8_t> f = Record(dir.Path("e.avi"), 8, 8, 0, 0);
    ASSERT_EQ(f.size(), 240u);
    EXPECT_EQ(U32At(f, 4), 232u);
    EXPECT_EQ(U32At(f, 224), 4u);
    EXPECT_EQ(Code(f, 232), "idx1");
    EXPECT_EQ(U32At(f, 236), 0u);
}

TEST(AviWriter, BeginTruncatesALongerFile) {
    ScratchDir dir;
    const std::string path = dir.Path("t.avi");
    WriteBytes(path, 100000, 0x77);
    EXPECT_EQ(Record(path, 4, 4, 1, 3000).size(), 232u + 8 + 48 + 8 + 16);
}

TEST(AviWriter, NothingIsWrittenWithoutAnOpenFile) {
    ScratchDir dir;
    AviWriter avi;
    Prepare(avi, 4, 4);
    const std::vector<uint8_t> frame = Frame(avi.FrameBytes(), 0);
    EXPECT_EQ(avi.AddFrame(frame.data()), 0);
    avi.Finish(); // harmless
    EXPECT_EQ(avi.Begin(dir.Path("no\\such\\dir\\x.avi").c_str()), 0);
    EXPECT_FALSE(avi.IsOpen());
    EXPECT_EQ(avi.AddFrame(frame.data()), 0);
}

TEST(AviWriter, ResetClosesTheFileAndEmptiesTheIndex) {
    ScratchDir dir;
    const std::string path = dir.Path("x.avi");
    AviWriter avi;
    Prepare(avi, 4, 4);
    ASSERT_EQ(avi.Begin(path.c_str()), 1);
    ASSERT_EQ(avi.AddFrame(Frame(avi.FrameBytes(), 0).data()), 1);
    EXPECT_FALSE(IsClosed(path));
    avi.Reset();
    EXPECT_TRUE(IsClosed(path));
    EXPECT_EQ(avi.FramesWritten(), 0u);
    // A second recording starts from a clean index.
    ASSERT_EQ(avi.Begin(path.c_str()), 1);
    ASSERT_EQ(avi.AddFrame(Frame(avi.FrameBytes(), 1).data()), 1);
    avi.Finish();
    const std::vector<uint8_t> f = ReadBytes(path);
    EXPECT_EQ(U32At(f, 48), 1u);
}

TEST(AviWriter, AFrameTheFileCouldNotDescribeIsRefused) {
    ScratchDir dir;
    AviWriter avi;
    Prepare(avi, 40000, 40000); // 4.8 GB per frame: more than 32-bit sizes can hold
    ASSERT_EQ(avi.Begin(dir.Path("huge.avi").c_str()), 1);
    static const uint8_t pixel[3] = {};
    EXPECT_EQ(avi.AddFrame(pixel), 0); // refused before anything is read from the pixels
    avi.Finish();
    EXPECT_EQ(ReadBytes(dir.Path("huge.avi")).size(), 240u);
}

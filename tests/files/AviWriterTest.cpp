// The AVI writer: header fields after Begin, chunks and indexes, the patched fields after Finish,
// RIFFs past the first, and files that stay complete when the disk fills.
#include "FileTestSupport.h"
#include "files/AviWriter.h"

#include <gtest/gtest.h>

#include <string>

using namespace files_test;

namespace {

std::string Code(const std::vector<uint8_t>& bytes, size_t offset) {
    return std::string(reinterpret_cast<const char*>(bytes.data()) + offset, 4);
}

// The default layout: the header up to the first frame chunk, and the movi size field.
const AviLayout kLayout;
const uint32_t H = kLayout.HeaderBytes();
const uint32_t M = kLayout.MoviSizeOffset();

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
    ASSERT_EQ(f.size(), H);
    const struct {
        size_t offset;
        const char* code;
    } codes[] = {{0, "RIFF"},
                 {8, "AVI "},
                 {12, "LIST"},
                 {20, "hdrl"},
                 {24, "avih"},
                 {88, "LIST"},
                 {96, "strl"},
                 {100, "strh"},
                 {108, "vids"},
                 {112, "DIB "},
                 {172, "strf"},
                 {220, "JUNK"},
                 {M - 4, "LIST"},
                 {M + 4, "movi"},
                 // room for the super index and the odml list of a longer file
                 {kLayout.OdmlOffset(), "JUNK"}};
    for (const auto& c : codes)
        EXPECT_EQ(Code(f, c.offset), c.code) << c.offset;
    const struct {
        size_t offset;
        uint32_t value;
    } fields[] = {{4, 0},
                  {16, M - 24},
                  {28, 56},
                  {32, 33333},
                  {40, 0},
                  {44, 0x00010010},
                  {48, 0},
                  {52, 0},
                  {56, 1},
                  {60, 3686408},
                  {64, 1280},
                  {68, 960},
                  {72, 0},
                  {76, 0},
                  {80, 0},
                  {84, 0},
                  {92, kLayout.OdmlOffset() - 96},
                  {104, 64},
                  {116, 0},
                  {120, 0},
                  {124, 0},
                  {128, 333333},
                  {132, 10000000},
                  {136, 0},
                  {140, 0},
                  {144, 3686408},
                  {148, 0},
                  {152, 0},
                  {156, 0},
                  {160, 0},
                  {164, 0},
                  {168, 0},
                  {176, 40},
                  {180, 40},
                  {184, 1280},
                  {188, 960},
                  {196, 0},
                  {200, 0},
                  {204, 0},
                  {208, 0},
                  {212, 0},
                  {216, 0},
                  {M, 0},
                  {224, kLayout.SuperIndexBytes()},
                  {kLayout.OdmlOffset() + 4, AviLayout::kOdmlBytes}};
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
    const size_t indexAt = H + kFrames * (8 + S);
    ASSERT_EQ(f.size(), indexAt + 8 + 16 * kFrames);
    EXPECT_EQ(U32At(f, 4), f.size() - 8);
    EXPECT_EQ(U32At(f, M), 4 + kFrames * (8 + S));
    EXPECT_EQ(U32At(f, 48), static_cast<uint32_t>(kFrames));
    EXPECT_EQ(U32At(f, 140), static_cast<uint32_t>(kFrames));
    for (int k = 0; k < kFrames; ++k) {
        SCOPED_TRACE(k);
        const size_t chunk = H + k * (8 + S);
        EXPECT_EQ(Code(f, chunk), "00db");
        EXPECT_EQ(U32At(f, chunk + 4), S);
        const std::vector<uint8_t> expected = Frame(S, k);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), f.begin() + chunk + 8));
        const size_t entry = indexAt + 8 + 16 * k;
        EXPECT_EQ(Code(f, entry), "00db");
        EXPECT_EQ(U32At(f, entry + 4), 0x10u);
        EXPECT_EQ(U32At(f, entry + 8), 4 + k * (8 + S));
        EXPECT_EQ(U32At(f, entry + 12), S);
        // The index offset counts from the "movi" code.
        EXPECT_EQ(Code(f, M + 4 + U32At(f, entry + 8)), "00db");
    }
    EXPECT_EQ(Code(f, indexAt), "idx1");
    EXPECT_EQ(U32At(f, indexAt + 4), 16u * kFrames);
}

TEST(AviWriter, FullFrameFileLengthFormula) {
    ScratchDir dir;
    const std::vector<uint8_t> f = Record(dir.Path("full.avi"), 1280, 960, 2, 3000);
    EXPECT_EQ(f.size(), H + 2 * 3686408u + 8 + 16 * 2);
    EXPECT_EQ(U32At(f, 4), f.size() - 8);
    EXPECT_EQ(U32At(f, M), 4u + 2 * 3686408u);
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
    ASSERT_EQ(f.size(), H + 8);
    EXPECT_EQ(U32At(f, 4), H);
    EXPECT_EQ(U32At(f, M), 4u);
    EXPECT_EQ(Code(f, H), "idx1");
    EXPECT_EQ(U32At(f, H + 4), 0u);
}

TEST(AviWriter, BeginTruncatesALongerFile) {
    ScratchDir dir;
    const std::string path = dir.Path("t.avi");
    WriteBytes(path, 100000, 0x77);
    EXPECT_EQ(Record(path, 4, 4, 1, 3000).size(), H + 8 + 48 + 8 + 16);
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

TEST(AviWriter, AFrameLargerThanARiffIsRefused) {
    ScratchDir dir;
    AviWriter avi;
    Prepare(avi, 40000, 40000); // 4.8 GB per frame: more than 32-bit sizes can hold
    ASSERT_EQ(avi.Begin(dir.Path("huge.avi").c_str()), 1);
    static const uint8_t pixel[3] = {};
    EXPECT_EQ(avi.AddFrame(pixel), 0); // refused before anything is read from the pixels
    avi.Finish();
    EXPECT_EQ(ReadBytes(dir.Path("huge.avi")).size(), H + 8);
}

namespace {

// Small RIFFs and a small super index, so that a few small frames span several RIFFs.
AviLayout SmallLayout(uint64_t riffLimit, uint32_t entries = 8) {
    AviLayout layout;
    layout.riffLimit = riffLimit;
    layout.superIndexEntries = entries;
    return layout;
}

bool FramesAreTheOnesGiven(const std::vector<uint8_t>& f, const AviFacts& avi, uint32_t bytes) {
    for (uint32_t k = 0; k < avi.FrameCount(); ++k) {
        const std::vector<uint8_t> expected = Frame(bytes, static_cast<int>(k));
        if (avi.frames[k] + bytes > f.size() ||
            !std::equal(expected.begin(), expected.end(), f.begin() + avi.frames[k]))
            return false;
    }
    return true;
}

} // namespace

TEST(AviWriterOpenDml, FramesPastTheRiffLimitGoIntoFurtherRiffsWithTheirIndexes) {
    ScratchDir dir;
    const std::string path = dir.Path("odml.avi");
    AviWriter avi;
    avi.SetLayout(SmallLayout(4096));
    Prepare(avi, 16, 8); // 384-byte frames: nine to a RIFF
    ASSERT_EQ(avi.Begin(path.c_str()), 1);
    constexpr int kFrames = 40;
    for (int k = 0; k < kFrames; ++k)
        ASSERT_EQ(avi.AddFrame(Frame(avi.FrameBytes(), k).data()), 1) << k;
    EXPECT_GE(avi.RiffCount(), 4u);
    avi.m_frameRate = 2500;
    ASSERT_EQ(avi.Finish(), 1);

    const std::vector<uint8_t> f = ReadBytes(path);
    const AviFacts facts = ReadAvi(f);
    ASSERT_TRUE(facts.ok) << facts.problem;
    EXPECT_TRUE(IsCompleteAvi(facts));
    EXPECT_TRUE(facts.hasSuperIndex);
    EXPECT_TRUE(facts.standardIndexesMatch);
    ASSERT_EQ(facts.FrameCount(), static_cast<uint32_t>(kFrames));
    EXPECT_EQ(facts.odmlFrames, static_cast<uint32_t>(kFrames));
    EXPECT_EQ(facts.streamLength, static_cast<uint32_t>(kFrames));
    EXPECT_EQ(facts.mainFrames, facts.framesPerRiff[0]); // what an AVI 1.0 reader sees
    for (size_t r = 0; r < facts.riffSizes.size(); ++r) {
        EXPECT_LT(facts.riffSizes[r] + 8u, 4096u) << r;
        EXPECT_GT(facts.framesPerRiff[r], 0u) << r;
    }
    EXPECT_TRUE(FramesAreTheOnesGiven(f, facts, 384));
    EXPECT_EQ(U32At(f, 32), 40000u); // 25 frames per second
}

TEST(AviWriterOpenDml, TheFirstRiffAloneIsACompleteAvi10File) {
    ScratchDir dir;
    const std::string path = dir.Path("first.avi");
    AviWriter avi;
    avi.SetLayout(SmallLayout(4096));
    Prepare(avi, 16, 8);
    ASSERT_EQ(avi.Begin(path.c_str()), 1);
    for (int k = 0; k < 25; ++k)
        ASSERT_EQ(avi.AddFrame(Frame(avi.FrameBytes(), k).data()), 1);
    ASSERT_EQ(avi.Finish(), 1);
    std::vector<uint8_t> f = ReadBytes(path);
    f.resize(8 + U32At(f, 4));
    AviFacts first = ReadAvi(f);
    ASSERT_TRUE(first.ok) << first.problem;
    EXPECT_EQ(first.forms.size(), 1u);
    EXPECT_TRUE(first.hasLegacyIndex);
    EXPECT_EQ(first.mainFrames, first.FrameCount());
    EXPECT_TRUE(FramesAreTheOnesGiven(f, first, 384));
}

TEST(AviWriterOpenDml, ARecordingOfOneRiffKeepsTheReservedSpaceAsJunk) {
    ScratchDir dir;
    const std::vector<uint8_t> f = Record(dir.Path("one.avi"), 16, 8, 3, 3000);
    const AviFacts facts = ReadAvi(f);
    ASSERT_TRUE(facts.ok) << facts.problem;
    EXPECT_TRUE(IsCompleteAvi(facts));
    EXPECT_FALSE(facts.hasSuperIndex);
    EXPECT_EQ(facts.odmlFrames, 0u);
    EXPECT_EQ(Code(f, AviLayout::kSuperIndexOffset), "JUNK");
    EXPECT_EQ(Code(f, kLayout.OdmlOffset()), "JUNK");
}

TEST(AviWriterOpenDml, AFullSuperIndexEndsTheFileCompleteWithoutAWriteError) {
    ScratchDir dir;
    const std::string path = dir.Path("full_index.avi");
    AviWriter avi;
    avi.SetLayout(SmallLayout(4096, 2));
    Prepare(avi, 16, 8);
    ASSERT_EQ(avi.Begin(path.c_str()), 1);
    int added = 0;
    while (added < 100 && avi.AddFrame(Frame(avi.FrameBytes(), added).data()))
        ++added;
    EXPECT_LT(added, 100);
    EXPECT_FALSE(avi.WriteFailed());
    EXPECT_EQ(avi.RiffCount(), 2u);
    ASSERT_EQ(avi.Finish(), 1);
    const std::vector<uint8_t> f = ReadBytes(path);
    const AviFacts facts = ReadAvi(f);
    EXPECT_TRUE(IsCompleteAvi(facts)) << facts.problem;
    EXPECT_EQ(facts.FrameCount(), static_cast<uint32_t>(added));
}

// A disk that is full at every possible length, from the first frame to past the last: the
// failed write ends the recording, and the file holds every frame it took (the last one given
// up only when the indexes need its room), with headers and indexes that say so.
TEST(AviWriterFullDisk, AtEveryLengthTheFileEndsCompleteWithTheFramesItTook) {
    ScratchDir dir;
    const AviLayout layout = SmallLayout(4096);
    int lengthsTried = 0, endedByTheDisk = 0;
    for (uint64_t limit = layout.HeaderBytes(); limit < 13000; limit += 29) {
        SCOPED_TRACE(limit);
        const std::string path = dir.Path("disk.avi");
        AviWriter avi;
        avi.SetLayout(layout);
        Prepare(avi, 16, 8);
        ASSERT_EQ(avi.Begin(path.c_str()), 1);
        avi.LimitFileLength(limit);
        uint32_t added = 0;
        while (added < 30 && avi.AddFrame(Frame(avi.FrameBytes(), static_cast<int>(added)).data()))
            ++added;
        if (added < 30) {
            ++endedByTheDisk;
            EXPECT_TRUE(avi.WriteFailed());
        }
        const int finished = avi.Finish();
        const std::vector<uint8_t> f = ReadBytes(path);
        EXPECT_LE(f.size(), limit);
        ++lengthsTried;
        if (!finished) {
            // Only a disk too small for even an empty file's index may refuse.
            EXPECT_LT(limit, layout.HeaderBytes() + 8u);
            continue;
        }
        const AviFacts facts = ReadAvi(f);
        ASSERT_TRUE(IsCompleteAvi(facts)) << facts.problem;
        EXPECT_LE(facts.FrameCount(), added);
        EXPECT_GE(facts.FrameCount() + 1, added);
        EXPECT_EQ(facts.FrameCount(), avi.FramesWritten());
        EXPECT_TRUE(FramesAreTheOnesGiven(f, facts, 384));
    }
    EXPECT_GT(lengthsTried, 400);
    EXPECT_GT(endedByTheDisk, 300);
}

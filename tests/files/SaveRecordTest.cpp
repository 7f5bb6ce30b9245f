// Saving and recording through the DLL on the virtual camera: the entry rules, wide paths, and
// recordings that end by their time, by a stop, a close or a release.
#include "AcquisitionFixture.h"
#include "FileTestSupport.h"

#include <cwchar>
#include <string>

using files_test::ReadBytes;
using files_test::ScratchDir;
using files_test::U32At;

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;

// The recorder holds the file without sharing until it has finished it.
bool WaitForFinishedFile(const std::wstring& path, DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        Sleep(20);
    } while (GetTickCount() - start < ms);
    return false;
}

// The scratch directory is ASCII, so its narrow names widen byte by byte.
std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}
bool WaitForFinishedFile(const std::string& path, DWORD ms) {
    return WaitForFinishedFile(Wide(path), ms);
}

struct Recording {
    bool valid = false;
    uint32_t frames = 0, width = 0, height = 0, frameBytes = 0;
    std::vector<uint8_t> bytes;
    const uint8_t* Frame(uint32_t k) const { return bytes.data() + 232 + k * (8 + frameBytes) + 8; }
};

Recording ReadRecording(const std::string& path) {
    Recording r;
    r.bytes = ReadBytes(path);
    const std::vector<uint8_t>& f = r.bytes;
    if (f.size() < 240) return r;
    r.frames = U32At(f, 48);
    r.width = U32At(f, 64);
    r.height = U32At(f, 68);
    r.frameBytes = U32At(f, 60) - 8;
    const uint64_t index = 232 + uint64_t{r.frames} * (8 + r.frameBytes);
    r.valid = U32At(f, 4) == f.size() - 8 && f.size() == index + 8 + 16 * r.frames &&
              U32At(f, 224) == 4 + r.frames * (8 + r.frameBytes) && U32At(f, 140) == r.frames;
    return r;
}

// The virtual camera's frame number from a bottom-up 24-bit frame: blocks of 8 pixels in the
// second row from the bottom of the picture, most significant bit first.
unsigned FrameNumberOf(const uint8_t* frame, int width) {
    const int pitch = (width * 3 + 3) & ~3;
    const uint8_t* row = frame + pitch; // data row 1 = picture row height - 2
    unsigned number = 0;
    for (int bit = 0; bit < 32; ++bit)
        number = (number << 1) | (row[(bit * 8 + 4) * 3 + 1] > 127);
    return number;
}

class SaveRecordTest : public AcquisitionTest {
  protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_AUTO));
    }
    std::string Path(const char* name) const { return dir.Path(name); }
    int TakePicture(int bits) {
        EXPECT_EQ(Travik_SetColorMode(handle, bits), 1);
        return Travik_SnapShot(handle, nullptr, 0, 0);
    }
    // Records until the file is finished; the recording must end by itself.
    Recording RecordFor(const std::string& path, int ms) {
        EXPECT_EQ(Travik_Record(handle, path.c_str(), ms, 0), 1);
        EXPECT_TRUE(WaitForFinishedFile(path, static_cast<DWORD>(ms) + 15000));
        return ReadRecording(path);
    }
    ScratchDir dir;
};

TEST_F(SaveRecordTest, SaveBeforeTheFirstImageReportsUnavailableAndWritesNothing) {
    EXPECT_EQ(Travik_SaveImage(handle, Path("a.bmp").c_str(), 0), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_UNAVAILABLE});
    EXPECT_EQ(GetFileAttributesA(Path("a.bmp").c_str()), INVALID_FILE_ATTRIBUTES);

    // After a close the narrow entry refuses again; the wide one writes what the buffer holds.
    ASSERT_EQ(TakePicture(24), 1);
    ASSERT_EQ(Travik_SaveImage(handle, Path("b.bmp").c_str(), 0), 1);
    ASSERT_EQ(Travik_Close(handle), 1);
    EXPECT_EQ(Travik_SaveImage(handle, Path("c.bmp").c_str(), 0), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_UNAVAILABLE});
    EXPECT_EQ(Travik_SaveImageW(handle, Wide(Path("d.bmp")).c_str(), 0), 1);
    EXPECT_EQ(ReadBytes(Path("d.bmp")), ReadBytes(Path("b.bmp")));
}

TEST_F(SaveRecordTest, EveryFileTypeOfASnapshotAndNothingForOthers) {
    ASSERT_EQ(TakePicture(24), 1);
    const size_t bmpBytes = 54 + static_cast<size_t>(kHeight) * kWidth * 3;
    for (int type = 0; type <= 6; ++type) {
        SCOPED_TRACE(type);
        const std::string path = Path(("f" + std::to_string(type)).c_str());
        ASSERT_EQ(Travik_SaveImage(handle, path.c_str(), type), 1);
        EXPECT_GT(ReadBytes(path).size(), 100u);
    }
    EXPECT_EQ(ReadBytes(Path("f0")).size(), bmpBytes);
    EXPECT_TRUE(files_test::ReadJpeg(Path("f3")).progressive);
    for (int type : {7, -1}) {
        EXPECT_EQ(Travik_SaveImage(handle, Path("x").c_str(), type), 0);
        EXPECT_EQ(GetFileAttributesA(Path("x").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_TRUE(DrainErrors().empty()); // a failed write is told by the result alone
}

TEST_F(SaveRecordTest, SavedPictureShowsTheBarsOnTop) {
    ASSERT_EQ(TakePicture(24), 1);
    ASSERT_EQ(Travik_SaveImage(handle, Path("bars.png").c_str(), 5), 1);
    const files_test::PngFacts png = files_test::ReadPng(Path("bars.png"));
    ASSERT_TRUE(png.ok);
    ASSERT_EQ(png.picture.width, kWidth);
    ASSERT_EQ(png.picture.height, kHeight);
    // White at the left of the upper half, red (bar 5) as red, green, blue in that order.
    EXPECT_GT(png.picture.At(80, 200, 0), 150u);
    EXPECT_GT(png.picture.At(80, 200, 2), 150u);
    EXPECT_GT(png.picture.At(880, 200, 0), 150u);
    EXPECT_LT(png.picture.At(880, 200, 1), 60u);
    EXPECT_LT(png.picture.At(880, 200, 2), 60u);
}

TEST_F(SaveRecordTest, WidePathsWithCharactersOutsideAsciiAreSavedUnderTheirOwnName) {
    ASSERT_EQ(TakePicture(8), 1);
    const std::wstring dirW = Wide(Path(""));
    // In the ANSI code pages of Western Europe and Japan alike.
    const std::wstring accented = dirW + L"caf\u00e9.png";
    ASSERT_EQ(Travik_SaveImageW(handle, accented.c_str(), 5), 1);
    EXPECT_NE(GetFileAttributesW(accented.c_str()), INVALID_FILE_ATTRIBUTES);

    // Fullwidth letters would best-fit to "cam.png" in a Western code page: that other file must
    // not be overwritten; the save either names the right file or fails with code 1.
    files_test::WriteBytes(Path("cam.png"), 10, 0x11);
    const std::wstring fullwidth = dirW + L"\uff43\uff41\uff4d.png";
    const int saved = Travik_SaveImageW(handle, fullwidth.c_str(), 5);
    EXPECT_EQ(ReadBytes(Path("cam.png")).size(), 10u);
    if (saved)
        EXPECT_NE(GetFileAttributesW(fullwidth.c_str()), INVALID_FILE_ATTRIBUTES);
    else
        EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_UNAVAILABLE});

    const std::wstring recording = dirW + L"\uff43\uff41\uff4d.avi";
    if (!saved) {
        EXPECT_EQ(Travik_RecordW(handle, recording.c_str(), 100, 0), 0);
        EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_FILE});
    }
    const std::wstring accentedAvi = dirW + L"caf\u00e9.avi";
    ASSERT_EQ(Travik_RecordW(handle, accentedAvi.c_str(), 0, 0), 1);
    EXPECT_TRUE(WaitForFinishedFile(accentedAvi, 15000));
}

TEST_F(SaveRecordTest, RecordWithoutAPathReportsAParameterError) {
    EXPECT_EQ(Travik_Record(handle, "", 1000, 0), 0);
    EXPECT_EQ(Travik_Record(handle, nullptr, 1000, 0), 0);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{ERR_PARAMETER, ERR_PARAMETER}));
}

TEST_F(SaveRecordTest, RecordIntoAMissingDirectoryReportsAFileErrorAndStopsThePreview) {
    EXPECT_EQ(Travik_Record(handle, Path("no\\such\\dir\\r.avi").c_str(), 1000, 0), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_FILE});
    EXPECT_EQ(Travik_Capture(handle), 1); // only an idle camera enters capture
}

TEST_F(SaveRecordTest, RecordingOfTheVirtualCameraKeepsItsTimeAndEveryFrameInOrder) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    const Recording r = RecordFor(Path("r.avi"), 1000);
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(r.width, 1280u);
    EXPECT_EQ(r.height, 960u);
    EXPECT_EQ(r.frameBytes, 3686400u);
    // At most the 26 or so frames the camera made in a second and a frame; a busy machine skips
    // some (the benchmark measures how many), but never records one twice or out of order.
    EXPECT_GE(r.frames, 3u);
    EXPECT_LE(r.frames, 28u);
    unsigned previous = FrameNumberOf(r.Frame(0), kWidth);
    for (uint32_t k = 1; k < r.frames; ++k) {
        const unsigned number = FrameNumberOf(r.Frame(k), kWidth);
        EXPECT_GT(number, previous) << "frame " << k;
        previous = number;
    }
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(SaveRecordTest, ASecondRecordIsRefusedWhileTheFirstRuns) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    ASSERT_EQ(Travik_Record(handle, Path("1.avi").c_str(), 600, 0), 1);
    EXPECT_EQ(Travik_Record(handle, Path("2.avi").c_str(), 600, 0), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_UNAVAILABLE});
    EXPECT_EQ(GetFileAttributesA(Path("2.avi").c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(WaitForFinishedFile(Path("1.avi"), 15000));
    const Recording first = ReadRecording(Path("1.avi"));
    EXPECT_TRUE(first.valid);
    EXPECT_GT(first.frames, 5u);
    // Once it has ended, the next one starts, on the preview that still runs.
    const Recording second = RecordFor(Path("2.avi"), 0);
    EXPECT_TRUE(second.valid);
    EXPECT_EQ(second.frames, 2u);
}

enum class Ending { kStopPreview, kClose, kRelease };

class RecordingEndedEarly : public SaveRecordTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(RecordingEndedEarly, LeavesAFinishedFile) {
    ASSERT_EQ(Travik_SetColorMode(handle, 16), 1);
    ASSERT_EQ(Travik_Record(handle, Path("e.avi").c_str(), 600000, 0), 1);
    Sleep(700);
    switch (GetParam()) {
    case Ending::kStopPreview:
        EXPECT_EQ(Travik_StopPreview(handle), 1);
        break;
    case Ending::kClose:
        EXPECT_EQ(Travik_Close(handle), 1);
        break;
    case Ending::kRelease:
        EXPECT_EQ(Travik_Release(handle), 1);
        handle = 0;
        break;
    }
    ASSERT_TRUE(files_test::IsClosed(Path("e.avi")));
    const Recording r = ReadRecording(Path("e.avi"));
    ASSERT_TRUE(r.valid);
    EXPECT_GT(r.frames, 0u);
    // 10-bit gray comes out as equal blue, green and red.
    const uint8_t* p = r.Frame(0) + 3 * 1000;
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
}

INSTANTIATE_TEST_SUITE_P(Endings, RecordingEndedEarly,
                         ::testing::Values(Ending::kStopPreview, Ending::kClose, Ending::kRelease));

} // namespace

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
    files_test::AviFacts facts;
    const uint8_t* Frame(uint32_t k) const { return bytes.data() + facts.frames[k]; }
};

Recording ReadRecording(const std::wstring& path) {
    Recording r;
    r.bytes = files_test::ReadBytesW(path);
    r.facts = files_test::ReadAvi(r.bytes);
    r.valid = files_test::IsCompleteAvi(r.facts);
    r.frames = r.facts.FrameCount();
    r.width = r.facts.width;
    r.height = r.facts.height;
    r.frameBytes = r.facts.suggestedBuffer - 8;
    return r;
}
Recording ReadRecording(const std::string& path) {
    return ReadRecording(Wide(path));
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
    // Waits until `count` postings of `code` have reached the application window.
    void WaitForPosted(LPARAM code, int count = 1) {
        int seen = 0;
        const DWORD start = GetTickCount();
        while (seen < count && GetTickCount() - start < 15000) {
            for (LPARAM posted : PostedErrors())
                seen += posted == code;
            Sleep(20);
        }
        EXPECT_EQ(seen, count) << "code " << code;
    }
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

class WideNames : public SaveRecordTest, public ::testing::WithParamInterface<const wchar_t*> {};

// Greek and CJK letters are in no Western ANSI code page; fullwidth letters would best-fit to
// "cam" there, naming another file. Every form of file is written under its own name, and the
// file that a code page would have mistaken for it stays untouched.
TEST_P(WideNames, EveryFileFormAndARecordingAreWrittenUnderTheirOwnName) {
    ASSERT_EQ(TakePicture(24), 1);
    const std::wstring base = Wide(Path("")) + GetParam();
    files_test::WriteBytes(Path("cam.png"), 10, 0x11);
    for (int type = 0; type <= 6; ++type) {
        SCOPED_TRACE(type);
        const std::wstring name = base + L"." + std::to_wstring(type);
        ASSERT_EQ(Travik_SaveImageW(handle, name.c_str(), type), 1);
        EXPECT_GT(files_test::ReadBytesW(name).size(), 100u);
    }
    EXPECT_EQ(files_test::ReadBytesW(base + L".0").size(), 54u + 960u * 3840u);
    const std::vector<uint8_t> jpeg = files_test::ReadBytesW(base + L".2");
    ASSERT_GT(jpeg.size(), 2u);
    EXPECT_EQ(jpeg[0], 0xFF); // start of image
    EXPECT_EQ(jpeg[1], 0xD8);
    EXPECT_EQ(ReadBytes(Path("cam.png")).size(), 10u);

    const std::wstring avi = base + L".avi";
    ASSERT_EQ(Travik_RecordW(handle, avi.c_str(), 0, 0), 1);
    ASSERT_TRUE(WaitForFinishedFile(avi, 15000));
    const Recording r = ReadRecording(avi);
    EXPECT_TRUE(r.valid) << r.facts.problem;
    EXPECT_EQ(r.frames, 2u);
    EXPECT_TRUE(DrainErrors().empty());
}

INSTANTIATE_TEST_SUITE_P(Names, WideNames,
                         ::testing::Values(L"\u03c6\u03c9\u03c4\u03bf", // Greek
                                           L"\u5199\u771f\u7247",       // CJK
                                           L"\uff43\uff41\uff4d"));     // fullwidth "cam"

// Z:\dev\full opens, and every write to it fails with "no space".
constexpr char kFullDisk[] = "Z:\\dev\\full";

TEST_F(SaveRecordTest, EveryFormAndDepthToAFullDiskFailsWithoutACode) {
    for (int bits : {8, 16, 24, 32, 48, 64}) {
        ASSERT_EQ(TakePicture(bits), 1);
        for (int type = 0; type <= 6; ++type) {
            SCOPED_TRACE(std::to_string(bits) + " bits, type " + std::to_string(type));
            EXPECT_EQ(Travik_SaveImage(handle, kFullDisk, type), 0);
            EXPECT_EQ(Travik_SaveImageW(handle, L"Z:\\dev\\full", type), 0);
        }
    }
    EXPECT_TRUE(DrainErrors().empty()); // a failed save is told by its result
}

TEST_F(SaveRecordTest, ARecordingToAFullDiskIsRefusedWithAFileError) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    EXPECT_EQ(Travik_Record(handle, kFullDisk, 1000, 0), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_FILE});
    EXPECT_EQ(Travik_RecordW(handle, L"Z:\\dev\\full", 1000, 0), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_FILE});
    EXPECT_EQ(Travik_Capture(handle), 1); // the preview was shut down: the camera is idle
}

TEST_F(SaveRecordTest, ADepthChangeUnderARecordingIsRefusedAndTheRecordingGoesOn) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    ASSERT_EQ(Travik_Record(handle, Path("depth.avi").c_str(), 1500, 0), 1);
    Sleep(500);
    EXPECT_EQ(Travik_SetColorMode(handle, 8), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_UNAVAILABLE});
    // The recording keeps its depth and runs to its time.
    ASSERT_TRUE(WaitForFinishedFile(Path("depth.avi"), 15000));
    const Recording r = ReadRecording(Path("depth.avi"));
    EXPECT_TRUE(r.valid) << r.facts.problem;
    EXPECT_EQ(r.frameBytes, 3686400u);
    EXPECT_GT(r.frames, 0u);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(SaveRecordTest, UnpluggingTheCameraUnderARecordingFinishesTheFileAndTellsTheApplication) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    ASSERT_EQ(Travik_Record(handle, Path("lost.avi").c_str(), 600000, 0), 1);
    Sleep(500);
    ASSERT_TRUE(travik_emu::Unplug(0));
    // The transfer gives up after one time-out; the file is finished as soon as it does.
    ASSERT_TRUE(WaitForFinishedFile(Path("lost.avi"), 15000));
    const Recording r = ReadRecording(Path("lost.avi"));
    EXPECT_TRUE(r.valid) << r.facts.problem;
    EXPECT_GT(r.frames, 0u);
    // Both the acquisition and the recording ended with the camera; the loss is told once.
    WaitForPosted(ERR_DEVICE_LOST);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_DEVICE_LOST});
    travik_emu::Plug(0);
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

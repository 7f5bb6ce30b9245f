// Capture windows cut out of a replayed raw frame: whatever its origin, size, colour mode and
// mirrors, a window holds the same pixels as the same region of the full picture.
#include "EmuControl.h"
#include "FileTestSupport.h"
#include "TravikSdk.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int kSensorWidth = 1280;
constexpr int kSensorHeight = 960;

struct Window {
    int x, y, width, height;
};
constexpr Window kFullFrame = {0, 0, kSensorWidth, kSensorHeight};

// A picture as the SDK hands it out with row order 1: memory rows, first delivered row first.
struct Picture {
    int width = 0, height = 0, pixelBytes = 0, stride = 0;
    std::vector<unsigned char> bytes;
    Picture() = default;
    Picture(int w, int h, int bits)
        : width(w), height(h), pixelBytes(bits / 8), stride((w * (bits / 8) + 3) & ~3),
          bytes(static_cast<size_t>(stride) * h) {}
    unsigned char* At(int row, int column) {
        return bytes.data() + static_cast<size_t>(row) * stride + column * pixelBytes;
    }
    const unsigned char* At(int row, int column) const {
        return bytes.data() + static_cast<size_t>(row) * stride + column * pixelBytes;
    }
};

// 10-bit noise: a window shifted by one pixel or one row, or read with the wrong Bayer phase,
// differs almost everywhere.
const std::vector<unsigned short>& ReplayedSamples() {
    static const std::vector<unsigned short> samples = [] {
        std::vector<unsigned short> s(static_cast<size_t>(kSensorWidth) * kSensorHeight);
        std::mt19937 random(30);
        for (unsigned short& v : s)
            v = static_cast<unsigned short>(random() & 1023);
        return s;
    }();
    return samples;
}

// The full raw picture as the SDK gives it in colour mode 8 or 16, mirrors applied.
Picture RawFullPicture(int bits, bool mirrorH, bool mirrorV) {
    Picture full(kSensorWidth, kSensorHeight, bits);
    const std::vector<unsigned short>& samples = ReplayedSamples();
    for (int row = 0; row < kSensorHeight; ++row)
        for (int column = 0; column < kSensorWidth; ++column) {
            const int sensorRow = mirrorV ? kSensorHeight - 1 - row : row;
            const int sensorColumn = mirrorH ? kSensorWidth - 1 - column : column;
            const unsigned v =
                samples[static_cast<size_t>(sensorRow) * kSensorWidth + sensorColumn];
            unsigned char* p = full.At(row, column);
            if (bits == 8) {
                p[0] = static_cast<unsigned char>(v >> 2); // the camera's 8 bits are the top ones
            } else {
                p[0] = static_cast<unsigned char>(v);
                p[1] = static_cast<unsigned char>(v >> 8);
            }
        }
    return full;
}

struct WindowCase {
    Window window;
    int bits;
    bool mirrorH, mirrorV;
};

std::string Describe(const WindowCase& c) {
    std::ostringstream out;
    out << c.window.width << "x" << c.window.height << "_at_" << c.window.x << "_" << c.window.y
        << "_" << c.bits << "bits" << (c.mirrorH ? "_H" : "") << (c.mirrorV ? "_V" : "");
    return out.str();
}

void PrintTo(const WindowCase& c, std::ostream* out) {
    *out << Describe(c);
}

// Compares every pixel of `window` with the pixel of `full` that shows the same sensor sample,
// skipping `margin` pixels along the window's own edges. Returns "" or the first difference.
std::string CompareWithRegion(const Picture& window, const Picture& full, const WindowCase& c,
                              int margin) {
    if (window.width != c.window.width || window.height != c.window.height)
        return "the picture is " + std::to_string(window.width) + "x" +
               std::to_string(window.height);
    const Window& w = c.window;
    size_t differences = 0;
    std::string first;
    for (int row = margin; row < w.height - margin; ++row)
        for (int column = margin; column < w.width - margin; ++column) {
            // Memory (row, column) of the mirrored window shows this sensor sample...
            const int sensorRow = c.mirrorV ? w.y + w.height - 1 - row : w.y + row;
            const int sensorColumn = c.mirrorH ? w.x + w.width - 1 - column : w.x + column;
            // ... which the mirrored full picture holds here.
            const int fullRow = c.mirrorV ? kSensorHeight - 1 - sensorRow : sensorRow;
            const int fullColumn = c.mirrorH ? kSensorWidth - 1 - sensorColumn : sensorColumn;
            const unsigned char* got = window.At(row, column);
            const unsigned char* want = full.At(fullRow, fullColumn);
            if (std::equal(got, got + window.pixelBytes, want)) continue;
            if (differences++ == 0)
                first =
                    "first at row " + std::to_string(row) + ", column " + std::to_string(column);
        }
    if (differences == 0) return "";
    return std::to_string(differences) + " pixels differ, " + first;
}

// One camera for the whole suite: a case changes only the colour mode, mirrors and window, and
// a camera's start-up would cost more than the case itself.
class CaptureWindows : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        travik_test::DeleteSdkRegistry();
        if (!travik_emu::ResetDevice(0) || !travik_emu::SetPacingOff(0) ||
            !travik_emu::SetPatternFrames(0, ReplayedSamples(), false))
            return;
        s_window = new travik_test::MessageWindow;
        s_handle = Travik_Initialize(s_window->hwnd());
        // With gain 512 and exposure value 3 the camera passes the samples unchanged.
        if (Travik_SetGlobalGain(s_handle, 512) != 1 || Travik_SetExposureTime(s_handle, 3) != 1 ||
            Travik_SetPreviewWindow(s_handle, nullptr, 0, 0, 0, 0) != 1) {
            Travik_Release(s_handle);
            s_handle = 0;
        }
    }
    static void TearDownTestSuite() {
        if (s_handle) Travik_Release(s_handle);
        s_handle = 0;
        delete s_window;
        s_window = nullptr;
        travik_emu::ResetDevice(0);
        travik_test::DeleteSdkRegistry();
    }
    void SetUp() override { ASSERT_NE(s_handle, 0) << "no camera on the replayed frame"; }
    void TearDown() override { Travik_StopPreview(s_handle); }

    void Select(const WindowCase& c, const Window& window) {
        ASSERT_EQ(Travik_SetColorMode(s_handle, c.bits), 1);
        ASSERT_EQ(Travik_SetMirrorH(s_handle, c.mirrorH), 1);
        ASSERT_EQ(Travik_SetMirrorV(s_handle, c.mirrorV), 1);
        ASSERT_EQ(Travik_SetCaptureWindowEx(s_handle, kSensorWidth, window.x, window.width,
                                            kSensorHeight, window.y, window.height),
                  1);
    }

    Picture SnapShot(const WindowCase& c, const Window& window) {
        Select(c, window);
        Picture picture(window.width, window.height, c.bits);
        EXPECT_EQ(Travik_SnapShot(s_handle, picture.bytes.data(),
                                  static_cast<int>(picture.bytes.size()), 1),
                  1);
        return picture;
    }

    // Runs callback preview until the first frame notice and stops; its record must name the
    // window's own size.
    Picture CallbackPreview(const WindowCase& c) {
        Select(c, c.window);
        Picture picture(c.window.width, c.window.height, c.bits);
        const HWND window = s_window->hwnd();
        EXPECT_EQ(Travik_CallBackPreview(s_handle, window, picture.bytes.data(),
                                         static_cast<int>(picture.bytes.size()), 1),
                  1);
        FrameInfo info = {};
        const DWORD start = GetTickCount();
        while (info.size == 0 && GetTickCount() - start < 15000) {
            MSG msg;
            while (info.size == 0 && PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
                if (msg.message == WM_CAMERA_NOTIFY && msg.wParam)
                    info = *reinterpret_cast<const FrameInfo*>(msg.wParam);
            if (info.size == 0) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        EXPECT_EQ(Travik_StopPreview(s_handle), 1);
        // Notices posted before the stop would be read by the next case as its own.
        MSG stale;
        while (PeekMessageA(&stale, window, WM_CAMERA_NOTIFY, WM_CAMERA_NOTIFY, PM_REMOVE)) {
        }
        EXPECT_EQ(std::make_tuple(info.width, info.height, info.bitsPerPixel),
                  std::make_tuple(c.window.width, c.window.height, c.bits));
        return picture;
    }

    // The whole picture in the case's mode and mirrors, against which its windows are compared:
    // the samples themselves in the raw modes, a full frame through the SDK in the colour modes
    // (taken once per mode and mirrors).
    const Picture& FullPicture(const WindowCase& c) {
        static std::map<std::tuple<int, bool, bool>, Picture> pictures;
        const auto key = std::make_tuple(c.bits, c.mirrorH, c.mirrorV);
        auto found = pictures.find(key);
        if (found != pictures.end()) return found->second;
        Picture full =
            c.bits <= 16 ? RawFullPicture(c.bits, c.mirrorH, c.mirrorV) : SnapShot(c, kFullFrame);
        return pictures.emplace(key, std::move(full)).first->second;
    }

    // Demosaic sees other neighbours along a window's two outermost rows and columns.
    static int MarginOf(int bits) { return bits <= 16 ? 0 : 2; }

    void ExpectTheRegion(const Picture& window, const WindowCase& c) {
        const Picture& full = FullPicture(c);
        EXPECT_EQ(CompareWithRegion(window, full, c, MarginOf(c.bits)), "") << Describe(c);
        int TH = 0, EHS = -1, EH = 0, TV = 0, EVS = -1, EV = 0;
        ASSERT_EQ(Travik_GetCaptureWindowEx(s_handle, &TH, &EHS, &EH, &TV, &EVS, &EV), 1);
        EXPECT_EQ(std::make_tuple(EHS, EH, EVS, EV),
                  std::make_tuple(c.window.x, c.window.width, c.window.y, c.window.height));
    }

    static int s_handle;
    static travik_test::MessageWindow* s_window;
};

int CaptureWindows::s_handle = 0;
travik_test::MessageWindow* CaptureWindows::s_window = nullptr;

enum class Path { SnapShot, CallbackPreview };
void PrintTo(Path path, std::ostream* out) {
    *out << (path == Path::SnapShot ? "snapshot" : "callback preview");
}

class WindowTable : public CaptureWindows,
                    public ::testing::WithParamInterface<std::tuple<Path, WindowCase>> {};

TEST_P(WindowTable, HoldsTheSameRegionOfTheFullPicture) {
    const auto& [path, c] = GetParam();
    // The reference frame first: it changes the window.
    FullPicture(c);
    const Picture window = path == Path::SnapShot ? SnapShot(c, c.window) : CallbackPreview(c);
    ExpectTheRegion(window, c);
}

// Origins and sizes odd and even on both axes, each colour mode, each mirror setting with an odd
// and an even size, the smallest window in the sensor's last corner and the full frame; each row
// is one acquisition, so the table covers these without their product.
const WindowCase kWindowCases[] = {
    {{401, 123, 637, 511}, 8, false, false},  // odd origin, odd size
    {{401, 123, 637, 511}, 24, false, false}, // the Bayer phase of an odd origin
    {{401, 123, 637, 511}, 48, true, true},   // both mirrors on an odd size
    {{400, 122, 638, 512}, 32, true, false},  // even origin and size
    {{400, 122, 638, 512}, 16, false, true},
    {{2, 1, 320, 241}, 64, false, true}, // odd row, even column, odd height
    {{7, 40, 99, 64}, 24, true, false},  // odd column, even row, odd width
    {{7, 40, 99, 64}, 8, true, true},
    {{1276, 957, 4, 3}, 16, true, true}, // the last corner
    {{1276, 957, 4, 3}, 32, false, false},
    {kFullFrame, 16, true, false},
};

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowTable,
    ::testing::Combine(::testing::Values(Path::SnapShot, Path::CallbackPreview),
                       ::testing::ValuesIn(kWindowCases)),
    [](const ::testing::TestParamInfo<std::tuple<Path, WindowCase>>& info) {
        return std::string(std::get<0>(info.param) == Path::SnapShot ? "SnapShot_" : "Callback_") +
               Describe(std::get<1>(info.param));
    });

// A recording's frames are the output image turned upright: bottom-up 24-bit rows.
TEST_F(CaptureWindows, ARecordingHoldsTheSameRegionOfTheFullPicture) {
    const WindowCase c = {{7, 40, 99, 64}, 24, true, false};
    FullPicture(c);
    Select(c, c.window);
    files_test::ScratchDir dir;
    const std::string path = dir.Path("window.avi");
    ASSERT_EQ(Travik_Record(s_handle, path.c_str(), 100, 0), 1);
    // The recording ends by itself once its time has passed from its first frame.
    const DWORD start = GetTickCount();
    while (!files_test::IsClosed(path) && GetTickCount() - start < 15000)
        Sleep(20);
    ASSERT_EQ(Travik_StopPreview(s_handle), 1);
    const std::vector<uint8_t> bytes = files_test::ReadBytes(path);
    const files_test::AviFacts avi = files_test::ReadAvi(bytes);
    ASSERT_TRUE(files_test::IsCompleteAvi(avi)) << avi.problem;
    ASSERT_GE(avi.FrameCount(), 1u);
    ASSERT_EQ(std::make_tuple(avi.width, avi.height), std::make_tuple(uint32_t{99}, uint32_t{64}));

    Picture window(c.window.width, c.window.height, 24);
    const uint8_t* frame = bytes.data() + avi.frames[0];
    for (int row = 0; row < window.height; ++row)
        std::copy_n(frame + static_cast<size_t>(window.height - 1 - row) * window.stride,
                    window.stride, window.At(row, 0));
    EXPECT_EQ(CompareWithRegion(window, FullPicture(c), c, MarginOf(24)), "");
}

} // namespace

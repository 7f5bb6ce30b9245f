// Settings profiles through the DLL: exact round trips, refused lines that change nothing, loads
// while frames flow, and paths outside the ANSI code page.
#include "AcquisitionFixture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Lines = std::vector<std::pair<std::string, int>>;

// Every setting of a profile in the order a profile lists them, with the values a random valid
// profile draws from; the capture window and the colour mode are drawn apart.
struct Drawn {
    const char* name;
    int low, high;
};
const Drawn kProfile[] = {
    {"brightness", -255, 255},
    {"contrast", -127, 127},
    {"hue", -360, 360},
    {"saturation", -255, 255},
    {"sharpness", 0, 30},
    {"bayer_gain_red", 0, 400},
    {"bayer_gain_green", 0, 400},
    {"bayer_gain_blue", 0, 400},
    {"auto_white_balance", 0, 1},
    {"gamma", 0, 200},
    {"bayer_mode", 0, 3},
    {"gray_mode", 0, 2},
    {"gray_gain_r", 0, 255},
    {"gray_gain_g1", 0, 255},
    {"gray_gain_g2", 0, 255},
    {"gray_gain_b", 0, 255},
    {"gray_offset_r", -255, 255},
    {"gray_offset_g1", -255, 255},
    {"gray_offset_g2", -255, 255},
    {"gray_offset_b", -255, 255},
    {"auto_gray_gain", 0, 1},
    {"global_gain", 0, 1023},
    {"exposure", 3, 1003},
    {"mirror_v", 0, 1},
    {"mirror_h", 0, 1},
    {"auto_iris", 0, 2},
    {"color_mode", 0, 0},
    {"sub_sample", 0, 0},
    {"window_total_width", -9999, 9999},
    {"window_x", 0, 1280},
    {"window_width", 0, 0},
    {"window_total_height", -9999, 9999},
    {"window_y", 0, 960},
    {"window_height", 0, 0},
    {"wait_time", 0, 100000},
    {"clock", 0, 2},
};

Lines RandomProfile(std::mt19937& random) {
    auto draw = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    Lines lines;
    for (const Drawn& setting : kProfile) {
        const std::string name = setting.name;
        int value = draw(setting.low, setting.high);
        if (name == "color_mode") value = std::vector<int>{8, 16, 24, 32, 48, 64}[draw(0, 5)];
        if (name == "window_width") value = draw(0, 1280 - lines.back().second);
        if (name == "window_height") value = draw(0, 960 - lines.back().second);
        lines.emplace_back(name, value);
    }
    return lines;
}

// The "name = value" lines of a profile, comments and blank lines left out.
Lines SettingsOf(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    std::string line, name, equals;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line == "\r") continue;
        std::istringstream fields(line);
        int value = 0;
        fields >> name >> equals >> value;
        lines.emplace_back(name, value);
    }
    return lines;
}

std::string ReadText(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void WriteText(const std::wstring& path, const std::string& text) {
    std::ofstream(std::filesystem::path(path), std::ios::binary) << text;
}

std::wstring TempPath(const std::wstring& name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return folder + name;
}

class ProfileTest : public AcquisitionTest {
  protected:
    void TearDown() override {
        AcquisitionTest::TearDown();
        for (const std::wstring& path : files)
            DeleteFileW(path.c_str());
    }
    std::wstring File(const std::wstring& name) {
        files.push_back(TempPath(name));
        return files.back();
    }
    int Load(const std::wstring& path) {
        result = {};
        result.size = sizeof(result);
        return TravikEx_LoadProfileW(handle, path.c_str(), &result);
    }
    int LoadText(const std::string& text) {
        const std::wstring path = File(L"profile-test.txt");
        WriteText(path, text);
        return Load(path);
    }
    std::string Save(const std::wstring& path) {
        EXPECT_EQ(TravikEx_SaveProfileW(handle, path.c_str(), nullptr), 1);
        return ReadText(path);
    }
    void Reopen() {
        ASSERT_EQ(Travik_Release(handle), 1);
        travik_test::DeleteSdkRegistry();
        handle = Travik_Initialize(window.hwnd());
        ASSERT_NE(handle, 0);
    }
    // What every getter of the settings says.
    std::vector<int> EveryGetter() {
        std::vector<int> values;
        for (int id = 1; id <= 28; ++id)
            values.push_back(Travik_GetFilterValue(handle, id, nullptr));
        values.insert(values.end(),
                      {Travik_GetColorMode(handle), Travik_GetSubSample(handle),
                       Travik_GetMirrorH(handle), Travik_GetMirrorV(handle),
                       Travik_GetAutoIris(handle, nullptr), Travik_GetWaitTime(handle),
                       Travik_GetRealExposureTime(handle, nullptr)});
        int window[6] = {};
        Travik_GetCaptureWindowEx(handle, &window[0], &window[1], &window[2], &window[3],
                                  &window[4], &window[5]);
        values.insert(values.end(), window, window + 6);
        return values;
    }
    // 24-bit callback preview into `buffer`, which outlives it: the fixture stops it first.
    void StartCallbackPreview() {
        ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
        buffer.resize(static_cast<size_t>(StrideOf(1280, 24)) * 960);
        ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
        ASSERT_EQ(Travik_CallBackPreview(handle, window.hwnd(), buffer.data(),
                                         static_cast<int>(buffer.size()), 1),
                  1);
    }
    static unsigned CommandCount(int slot) {
        TravikEmuStats stats{};
        travik_emu::ReadStats(0, stats);
        return stats.commandCounts[slot];
    }

    TravikProfileResult result = {};
    std::vector<std::wstring> files;
    std::vector<unsigned char> buffer;
};

TEST_F(ProfileTest, SaveLoadIntoAFreshCameraAndSaveAgainGivesTheSameFile) {
    std::mt19937 random(2718);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        Lines wanted = RandomProfile(random);
        // Any order, comments, blank lines, spaces and both line ends.
        Lines shuffled = wanted;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        std::string text = "\xEF\xBB\xBF# a profile made by hand\n\n";
        for (const auto& [name, value] : shuffled)
            text +=
                "  " + name + "\t=  " + std::to_string(value) + (value % 2 ? "  # odd\r\n" : "\n");
        ASSERT_EQ(LoadText(text), 1) << result.line << ": " << result.text;

        const std::wstring first = File(L"profile-first.txt"), second = File(L"profile-second.txt");
        const std::string saved = Save(first);
        EXPECT_EQ(SettingsOf(saved), wanted);
        EXPECT_EQ(saved.rfind("# ", 0), 0u);
        EXPECT_NE(saved.find("1.167.5.31"), std::string::npos) << "the SDK's version at the top";

        Reopen();
        ASSERT_EQ(Load(first), 1) << result.line << ": " << result.text;
        EXPECT_EQ(Save(second), saved);
    }
}

struct BadLine {
    std::string line;
    int reason;
};

// The bad line comes seventh, after lines that would change settings of every kind.
TEST_F(ProfileTest, EveryKindOfBadLineIsRefusedWithItsLineAndNothingIsApplied) {
    const BadLine kBadLines[] = {
        {"gamma 100", TRAVIK_PROFILE_MALFORMED},
        {"= 100", TRAVIK_PROFILE_MALFORMED},
        {"gamma =", TRAVIK_PROFILE_MALFORMED},
        {"gamma = 1O0", TRAVIK_PROFILE_MALFORMED},
        {"gamma = 100 200", TRAVIK_PROFILE_MALFORMED},
        {"gamma = 0x10", TRAVIK_PROFILE_MALFORMED},
        {"gam ma = 100", TRAVIK_PROFILE_MALFORMED},
        {"gamma = 100 \xFF", TRAVIK_PROFILE_MALFORMED},
        {std::string("gamma = 100\0", 12), TRAVIK_PROFILE_MALFORMED},
        {"sharpen = 3", TRAVIK_PROFILE_UNKNOWN_NAME},
        {"Gamma = 100", TRAVIK_PROFILE_UNKNOWN_NAME},
        {"color_gain_r = 0", TRAVIK_PROFILE_UNKNOWN_NAME},
        {"gamma = 201", TRAVIK_PROFILE_OUT_OF_RANGE},
        {"sharpness = -1", TRAVIK_PROFILE_OUT_OF_RANGE},
        {"color_mode = 12", TRAVIK_PROFILE_OUT_OF_RANGE},
        {"exposure = 99999999999", TRAVIK_PROFILE_OUT_OF_RANGE},
        {"sub_sample = 1", TRAVIK_PROFILE_OUT_OF_RANGE},
        {"window_x = 400", TRAVIK_PROFILE_OUT_OF_RANGE}, // 400 + 1000 is wider than the sensor
        {"brightness = 3", TRAVIK_PROFILE_DUPLICATE},
    };
    const std::string before = "# changes of every kind\nbrightness = 77\nwindow_width = 1000\n"
                               "global_gain = 700\nclock = 0\nmirror_h = 1\n";
    const std::vector<int> getters = EveryGetter();
    for (const BadLine& bad : kBadLines) {
        SCOPED_TRACE(bad.line);
        EXPECT_EQ(LoadText(before + bad.line + "\r\ngamma = 150\n"), 0);
        EXPECT_EQ(result.line, 7);
        EXPECT_EQ(result.reason, bad.reason) << result.text;
        EXPECT_NE(result.text[0], '\0');
        EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_PARAMETER});
        EXPECT_EQ(EveryGetter(), getters);
    }
}

TEST_F(ProfileTest, LoadDuringPreviewAppliesLiveWithoutARestart) {
    ASSERT_TRUE(travik_emu::SetPatternFlat(0, 256));
    ASSERT_NO_FATAL_FAILURE(StartCallbackPreview());
    ASSERT_GE(CountFrames(WaitNotices(2, 10000)), 2u);
    const int darker = buffer[buffer.size() / 2];
    ASSERT_TRUE(travik_emu::ClearLog(0));

    ASSERT_EQ(LoadText("brightness = 120\nglobal_gain = 700\nmirror_h = 1\nwait_time = 0\n"), 1)
        << result.text;
    const std::vector<Notice> after = WaitNotices(3, 10000);
    EXPECT_GE(CountFrames(after), 3u);
    EXPECT_TRUE(Codes(after).empty());
    EXPECT_GE(buffer[buffer.size() / 2], darker + 60) << "brightness applied to the frames";
    EXPECT_EQ(CommandCount(TRAVIK_EMU_CMD_WORD_MODE), 0u) << "acquisition was not prepared again";
    EXPECT_EQ(Travik_GetGlobalGain(handle, nullptr), 700);
    EXPECT_EQ(Travik_GetMirrorH(handle), 1);
    EXPECT_EQ(Travik_GetWaitTime(handle), 0);
}

TEST_F(ProfileTest, LoadThatChangesTheFormatRestartsPreviewInIt) {
    ASSERT_NO_FATAL_FAILURE(StartCallbackPreview());
    ASSERT_GE(CountFrames(WaitNotices(1, 10000)), 1u);
    ASSERT_TRUE(travik_emu::ClearLog(0));

    ASSERT_EQ(LoadText("color_mode = 8\nwindow_width = 640\n"), 1) << result.text;
    EXPECT_GT(CommandCount(TRAVIK_EMU_CMD_WORD_MODE), 0u);
    std::vector<Notice> frames = WaitNotices(3, 10000);
    frames.erase(
        std::remove_if(frames.begin(), frames.end(), [](const Notice& n) { return !n.IsFrame(); }),
        frames.end());
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back().info.bitsPerPixel, 8);
    EXPECT_EQ(frames.back().info.width, 640);
}

TEST_F(ProfileTest, ARecordingRefusesAFormatChangeAsAWholeAndTakesLiveOnes) {
    const std::wstring recording = File(L"profile-recording.avi");
    ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    ASSERT_EQ(Travik_RecordW(handle, recording.c_str(), 20000, 0), 1);
    const std::vector<int> getters = EveryGetter();
    EXPECT_EQ(LoadText("brightness = 50\ncolor_mode = 8\n"), 0);
    EXPECT_EQ(result.reason, TRAVIK_PROFILE_REFUSED);
    EXPECT_EQ(result.line, 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_UNAVAILABLE});
    EXPECT_EQ(EveryGetter(), getters);
    EXPECT_EQ(LoadText("brightness = 50\ncolor_mode = 24\n"), 1) << "the format as it is";
    EXPECT_EQ(Travik_GetBrightness(handle, nullptr), 50);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
}

TEST_F(ProfileTest, NamesOutsideTheAnsiCodePageWorkThroughTheWidePath) {
    const std::wstring path = File(L"profile-\u30D7\u30ED\u0416\u00E9.txt");
    ASSERT_EQ(Travik_SetGamma(handle, 140), 1);
    const std::string saved = Save(path);
    EXPECT_NE(saved.find("gamma = 140"), std::string::npos);
    ASSERT_EQ(Travik_SetGamma(handle, 60), 1);
    EXPECT_EQ(Load(path), 1);
    EXPECT_EQ(Travik_GetGamma(handle, nullptr), 140);
}

TEST_F(ProfileTest, FileProblemsAndSmallResultsAreRefused) {
    EXPECT_EQ(Load(File(L"no-such-profile.txt")), 0);
    EXPECT_EQ(result.reason, TRAVIK_PROFILE_FILE);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_FILE});
    EXPECT_EQ(TravikEx_SaveProfileW(handle, TempPath(L"no-such-folder\\p.txt").c_str(), &result),
              0);
    EXPECT_EQ(result.reason, TRAVIK_PROFILE_FILE);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_FILE});

    TravikProfileResult small = {};
    small.size = sizeof(small) - 1;
    small.reason = 77;
    const std::string narrow = travik_test::TempFilePath("profile-ansi.txt");
    files.push_back(std::wstring(narrow.begin(), narrow.end()));
    EXPECT_EQ(TravikEx_SaveProfileA(handle, narrow.c_str(), &small), 0);
    EXPECT_EQ(small.reason, 77) << "nothing is written into a result that is too small";
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_PARAMETER});
    EXPECT_EQ(TravikEx_SaveProfileA(handle, narrow.c_str(), nullptr), 1);
    EXPECT_EQ(TravikEx_LoadProfileA(handle, narrow.c_str(), nullptr), 1);
    EXPECT_EQ(TravikEx_LoadProfileA(handle, nullptr, nullptr), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_PARAMETER});
}

} // namespace

// Camera object: every setting declared once, with its name, range, default, storage, registry
// value, sensor write, dialog row, the export that reaches it and the policy by which a change
// meets a running acquisition. Range checks, persistence, the dialogs' rows and the text profiles
// read this table.
#pragma once

#include "TravikSdk.h"
#include "camera/ChangePolicy.h"
#include "support/RegistryKey.h"
#include "camera/SettingsBlocks.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <climits>
#include <cstddef>
#include <iterator>
#include <string_view>

class CTravik;

namespace settings {

// ---- What a setter accepts ----

// Signed and unsigned ranges are inclusive; an unsigned range compares as unsigned 32-bit, so a
// negative value is refused as a large one. OneOf accepts the values of a list only.
enum class Range : unsigned char { Any, Signed, Unsigned, OneOf };

struct ValueRange {
    Range kind = Range::Any;
    int low = INT_MIN;
    int high = INT_MAX;
    const int* choices = nullptr; // OneOf: the accepted values, ascending
    int choiceCount = 0;

    constexpr bool Accepts(int value) const {
        switch (kind) {
        case Range::Any:
            return true;
        case Range::Unsigned:
            return static_cast<unsigned>(value) <= static_cast<unsigned>(high);
        case Range::OneOf:
            for (int i = 0; i < choiceCount; ++i)
                if (choices[i] == value) return true;
            return false;
        default:
            return value >= low && value <= high;
        }
    }
    // The accepted value nearest to `value` (the lower one of two as near).
    constexpr int Nearest(int value) const {
        if (kind != Range::OneOf) return value < low ? low : value > high ? high : value;
        int nearest = choices[0];
        for (int i = 1; i < choiceCount; ++i) {
            const long long distance = static_cast<long long>(choices[i]) - value;
            const long long best = static_cast<long long>(nearest) - value;
            if ((distance < 0 ? -distance : distance) < (best < 0 ? -best : best))
                nearest = choices[i];
        }
        return nearest;
    }
};

constexpr ValueRange Any() {
    return {};
}
constexpr ValueRange Signed(int low, int high) {
    return {Range::Signed, low, high};
}
constexpr ValueRange Unsigned(int high) {
    return {Range::Unsigned, 0, high};
}
template <std::size_t N> constexpr ValueRange OneOf(const int (&choices)[N]) {
    return {Range::OneOf, choices[0], choices[N - 1], choices, static_cast<int>(N)};
}

// Colour modes: the bits Travik_SetColorMode takes and the depth Travik_GetColorMode tells, by
// the stored index 0..5.
constexpr int kColorModeBits[] = {8, 16, 24, 32, 48, 64};
constexpr int kColorModeReported[] = {8, 10, 24, 32, 42, 58};
constexpr int kColorModes = 6;

// ---- Where a value lives ----

// The members of the camera object that hold one setting each (the blocks' entries are in
// SettingsBlocks.h).
enum MemberEntry {
    kColorModeIndex,
    kSubSampleMode,
    kWindowTH,
    kWindowEHS,
    kWindowEH,
    kWindowTV,
    kWindowEVS,
    kWindowEV,
    kWaitTimeMs,
    kClockMode
};

enum class Block : unsigned char { ImageFilter, CameraSettings, Member };
struct Slot {
    Block block;
    int entry;
};
constexpr Slot Image(int entry) {
    return {Block::ImageFilter, entry};
}
constexpr Slot Camera(int entry) {
    return {Block::CameraSettings, entry};
}
constexpr Slot Member(int entry) {
    return {Block::Member, entry};
}

// A missing registry value (or key) gives the row's default, or what the sensor has now.
enum class Default : unsigned char { Value, Sensor };

// ---- The registry ----

// The keys under "Camera_%02d": the camera key itself (format values) and its three subkeys.
enum class Key : unsigned char { None, Camera, Gain, Filter, Gray };
constexpr const char* SubkeyName(Key key) {
    return key == Key::Gain     ? "Gain"
           : key == Key::Filter ? "Filter"
           : key == Key::Gray   ? "Gray"
                                : nullptr;
}
// How a stored value is read: as it is, or only when the setter would accept it.
enum class Read : unsigned char { AsStored, IfAccepted };
struct RegistryValue {
    Key key = Key::None;
    const char* name = nullptr;
    Read read = Read::AsStored;
};

// ---- What else a change touches ----

// The sensor write that follows a stored change, made from the stored value.
enum class Sensor : unsigned char { None, Gain, Exposure, MirrorV, MirrorH, Window };

// A slider row of a settings dialog: the trackbar's range and tick frequency. A number typed
// into its edit box is limited to the trackbar's range, or to the setting's range where that is
// wider than what the trackbar shows.
struct DialogRow {
    bool shown = false;
    int minimum = 0;
    int maximum = 0;
    int tickFrequency = 0;
    bool typedWithinSetting = false;
};
constexpr DialogRow Slider(int minimum, int maximum, int tickFrequency) {
    return {true, minimum, maximum, tickFrequency, false};
}
constexpr DialogRow SliderTypedWithinSetting(int minimum, int maximum, int tickFrequency) {
    return {true, minimum, maximum, tickFrequency, true};
}

// The export that sets it and the name of the parameter that carries the value.
struct Export {
    const char* function = nullptr;
    const char* parameter = nullptr;
};

// Behaviour that is not "the value into its slot" and "the slot as it is".
struct Setting;
using ReadHook = int (*)(const CTravik& camera, const Setting& setting);
using WriteHook = void (*)(CTravik& camera, const Setting& setting, int value);
int ReadPackedBayerGains(const CTravik& camera, const Setting& setting);
void WritePackedBayerGains(CTravik& camera, const Setting& setting, int value);
void WriteFlag(CTravik& camera, const Setting& setting, int value);
void WriteGlobalGain(CTravik& camera, const Setting& setting, int value);
int ReadSensorGain(const CTravik& camera, const Setting& setting);
int ReadSensorExposure(const CTravik& camera, const Setting& setting);
int ReadZero(const CTravik& camera, const Setting& setting);
int ReadColorModeBits(const CTravik& camera, const Setting& setting);
void WriteColorModeBits(CTravik& camera, const Setting& setting, int bits);

// ---- The table ----

enum class Id : unsigned char {
    Brightness,
    Contrast,
    Hue,
    Saturation,
    Sharpness,
    BayerGainRgb,
    BayerGainRed,
    BayerGainGreen,
    BayerGainBlue,
    AutoWhiteBalance,
    Gamma,
    BayerMode,
    GrayMode,
    GrayGainR,
    GrayGainG1,
    GrayGainG2,
    GrayGainB,
    GrayOffsetR,
    GrayOffsetG1,
    GrayOffsetG2,
    GrayOffsetB,
    AutoGrayGain,
    GlobalGain,
    ColorGainG1,
    ColorGainR,
    ColorGainB,
    ColorGainG2,
    Exposure,
    MirrorV,
    MirrorH,
    AutoIris,
    ColorMode,
    SubSample,
    WindowTotalWidth,
    WindowX,
    WindowWidth,
    WindowTotalHeight,
    WindowY,
    WindowHeight,
    WaitTime,
    Clock,
    Count
};

struct Setting {
    Id id;
    const char* name; // its name in a settings profile
    int filterId = 0; // its key of Travik_SetFilterValue, or 0
    ValueRange range; // what the setter accepts
    int defaultValue = 0;
    Default defaultFrom = Default::Value;
    Slot slot = {};
    RegistryValue registry;
    Sensor sensor = Sensor::None;
    DialogRow dialog;
    Export reachedBy;
    ChangePolicy policy = ChangePolicy::Live; // how a change meets a running acquisition
    bool inProfile = true;
    ReadHook read = nullptr;   // null: the slot as stored
    WriteHook write = nullptr; // null: the value into the slot
};

using SensorModel = CTravik380TZ4RDXSdk;
constexpr int kSensorWidth = SensorModel::kSensorWidth;
constexpr int kSensorHeight = SensorModel::kSensorHeight;

// In the registry's order within each key, which a load follows (a missing "Gain" value takes
// the one read before it). A profile lists its settings in this order too.
inline constexpr Setting kSettings[] = {
    {.id = Id::Brightness,
     .name = "brightness",
     .filterId = FILTER_BRIGHTNESS,
     .range = Signed(-255, 255),
     .slot = Image(kBrightness),
     .registry = {Key::Filter, "Brightness"},
     .dialog = Slider(-255, 255, 64),
     .reachedBy = {"Travik_SetBrightness", "value"}},
    {.id = Id::Contrast,
     .name = "contrast",
     .filterId = FILTER_CONTRAST,
     .range = Signed(-127, 127),
     .slot = Image(kContrast),
     .registry = {Key::Filter, "Contrast"},
     .dialog = Slider(-127, 127, 32),
     .reachedBy = {"Travik_SetContrast", "value"}},
    {.id = Id::Hue,
     .name = "hue",
     .filterId = FILTER_HUE,
     .range = Signed(-360, 360),
     .slot = Image(kHue),
     .registry = {Key::Filter, "Hue"},
     .dialog = Slider(-360, 360, 90),
     .reachedBy = {"Travik_SetHue", "value"}},
    {.id = Id::Saturation,
     .name = "saturation",
     .filterId = FILTER_SATURATION,
     .range = Signed(-255, 255),
     .slot = Image(kSaturation),
     .registry = {Key::Filter, "Saturation"},
     .dialog = Slider(-255, 255, 64),
     .reachedBy = {"Travik_SetSaturation", "value"}},
    {.id = Id::Sharpness,
     .name = "sharpness",
     .filterId = FILTER_SHARPNESS,
     .range = Unsigned(30),
     .slot = Image(kSharpness),
     .registry = {Key::Filter, "Sharpness"},
     .dialog = Slider(0, 30, 4),
     .reachedBy = {"Travik_SetSharpness", "value"}},
    // The three white-balance gains in one value: red in bits 0..7, green 8..15, blue 16..23.
    {.id = Id::BayerGainRgb,
     .name = "bayer_gain_rgb",
     .filterId = FILTER_BAYER_GAIN_RGB,
     .range = Any(),
     .reachedBy = {"Travik_SetBayerGainRGB", "value"},
     .inProfile = false,
     .read = ReadPackedBayerGains,
     .write = WritePackedBayerGains},
    {.id = Id::BayerGainRed,
     .name = "bayer_gain_red",
     .filterId = FILTER_BAYER_GAIN_RED,
     .range = Unsigned(400),
     .defaultValue = 100,
     .slot = Image(kBayerGainRed),
     .registry = {Key::Filter, "R_Gain"},
     .dialog = Slider(0, 400, 32),
     .reachedBy = {"Travik_SetBayerGainRed", "value"}},
    {.id = Id::BayerGainGreen,
     .name = "bayer_gain_green",
     .filterId = FILTER_BAYER_GAIN_GREEN,
     .range = Unsigned(400),
     .defaultValue = 100,
     .slot = Image(kBayerGainGreen),
     .registry = {Key::Filter, "G_Gain"},
     .dialog = Slider(0, 400, 32),
     .reachedBy = {"Travik_SetBayerGainGreen", "value"}},
    {.id = Id::BayerGainBlue,
     .name = "bayer_gain_blue",
     .filterId = FILTER_BAYER_GAIN_BLUE,
     .range = Unsigned(400),
     .defaultValue = 100,
     .slot = Image(kBayerGainBlue),
     .registry = {Key::Filter, "B_Gain"},
     .dialog = Slider(0, 400, 32),
     .reachedBy = {"Travik_SetBayerGainBlue", "value"}},
    // Any value turns it on; it is stored as 0 or 1. Not kept in the registry.
    {.id = Id::AutoWhiteBalance,
     .name = "auto_white_balance",
     .filterId = FILTER_BAYER_GAIN_AUTO,
     .range = Any(),
     .slot = Image(kAutoWhiteBalance),
     .reachedBy = {"Travik_SetBayerGainAuto", "value"},
     .write = WriteFlag},
    {.id = Id::Gamma,
     .name = "gamma",
     .filterId = FILTER_GAMMA,
     .range = Unsigned(200),
     .defaultValue = 100,
     .slot = Image(kGamma),
     .registry = {Key::Filter, "Gamma"},
     .dialog = Slider(0, 200, 32),
     .reachedBy = {"Travik_SetGamma", "value"}},
    {.id = Id::BayerMode,
     .name = "bayer_mode",
     .filterId = FILTER_BAYER_MODE,
     .range = Unsigned(3),
     .defaultValue = 1,
     .slot = Image(kBayerMode),
     .registry = {Key::Filter, "BayerMode"},
     .reachedBy = {"Travik_SetBayerMode", "value"}},
    {.id = Id::GrayMode,
     .name = "gray_mode",
     .filterId = FILTER_GRAY_MODE,
     .range = Unsigned(2),
     .slot = Image(kGrayMode),
     .registry = {Key::Gray, "Mode"},
     .reachedBy = {"Travik_SetGrayMode", "value"}},
    // The gray page's trackbars show 0..400, and a gain typed there is kept up to 400.
    {.id = Id::GrayGainR,
     .name = "gray_gain_r",
     .filterId = FILTER_GRAY_GAIN_R,
     .range = Unsigned(255),
     .defaultValue = 128,
     .slot = Image(kGrayGainR),
     .registry = {Key::Gray, "GainR1"},
     .dialog = Slider(0, 400, 32),
     .reachedBy = {"Travik_SetGrayGainR", "value"}},
    {.id = Id::GrayGainG1,
     .name = "gray_gain_g1",
     .filterId = FILTER_GRAY_GAIN_G1,
     .range = Unsigned(255),
     .defaultValue = 128,
     .slot = Image(kGrayGainG1),
     .registry = {Key::Gray, "GainG1"},
     .dialog = Slider(0, 400, 32),
     .reachedBy = {"Travik_SetGrayGainG1", "value"}},
    {.id = Id::GrayGainG2,
     .name = "gray_gain_g2",
     .filterId = FILTER_GRAY_GAIN_G2,
     .range = Unsigned(255),
     .defaultValue = 128,
     .slot = Image(kGrayGainG2),
     .registry = {Key::Gray, "GainG2"},
     .dialog = Slider(0, 400, 32),
     .reachedBy = {"Travik_SetGrayGainG2", "value"}},
    {.id = Id::GrayGainB,
     .name = "gray_gain_b",
     .filterId = FILTER_GRAY_GAIN_B,
     .range = Unsigned(255),
     .defaultValue = 128,
     .slot = Image(kGrayGainB),
     .registry = {Key::Gray, "GainB1"},
     .dialog = Slider(0, 400, 32),
     .reachedBy = {"Travik_SetGrayGainB", "value"}},
    // The offsets' trackbars start at 0, but a typed offset may be as negative as the setting
    // allows.
    {.id = Id::GrayOffsetR,
     .name = "gray_offset_r",
     .filterId = FILTER_GRAY_OFFSET_R,
     .range = Signed(-255, 255),
     .slot = Image(kGrayOffsetR),
     .registry = {Key::Gray, "OffsetR1"},
     .dialog = SliderTypedWithinSetting(0, 400, 32),
     .reachedBy = {"Travik_SetGrayOffsetR", "value"}},
    {.id = Id::GrayOffsetG1,
     .name = "gray_offset_g1",
     .filterId = FILTER_GRAY_OFFSET_G1,
     .range = Signed(-255, 255),
     .slot = Image(kGrayOffsetG1),
     .registry = {Key::Gray, "OffsetG1"},
     .dialog = SliderTypedWithinSetting(0, 400, 32),
     .reachedBy = {"Travik_SetGrayOffsetG1", "value"}},
    {.id = Id::GrayOffsetG2,
     .name = "gray_offset_g2",
     .filterId = FILTER_GRAY_OFFSET_G2,
     .range = Signed(-255, 255),
     .slot = Image(kGrayOffsetG2),
     .registry = {Key::Gray, "OffsetG2"},
     .dialog = SliderTypedWithinSetting(0, 400, 32),
     .reachedBy = {"Travik_SetGrayOffsetG2", "value"}},
    {.id = Id::GrayOffsetB,
     .name = "gray_offset_b",
     .filterId = FILTER_GRAY_OFFSET_B,
     .range = Signed(-255, 255),
     .slot = Image(kGrayOffsetB),
     .registry = {Key::Gray, "OffsetB1"},
     .dialog = SliderTypedWithinSetting(0, 400, 32),
     .reachedBy = {"Travik_SetGrayOffsetB", "value"}},
    // 1 asks for one measurement of the gray gains; the gray page's "All frames" stores a
    // negative count that the pipeline never runs down to 0. No dedicated export.
    {.id = Id::AutoGrayGain,
     .name = "auto_gray_gain",
     .filterId = FILTER_GRAY_AUTO,
     .range = Unsigned(1),
     .slot = Image(kAutoGrayGain),
     .reachedBy = {"Travik_SetFilterValue", "value"}},
    // The global gain goes into the four colour gains as well; reading it asks the sensor.
    {.id = Id::GlobalGain,
     .name = "global_gain",
     .filterId = FILTER_GLOBAL_GAIN,
     .range = Signed(SensorModel::kGainMin, SensorModel::kGainMax),
     .defaultValue = SensorModel::kGainDefault,
     .slot = Camera(kGlobalGain),
     .registry = {Key::Gain, "Global"},
     .sensor = Sensor::Gain,
     .dialog = Slider(SensorModel::kGainMin, SensorModel::kGainMax, 1023 / 8),
     .reachedBy = {"Travik_SetGlobalGain", "value"},
     .read = ReadSensorGain,
     .write = WriteGlobalGain},
    // Not used by this model: 0 only, read as 0, shown disabled in the analog gain dialog.
    {.id = Id::ColorGainG1,
     .name = "color_gain_g1",
     .filterId = FILTER_COLOR_GAIN_GREEN1,
     .range = Signed(0, 0),
     .slot = Camera(kColorGainG1),
     .registry = {Key::Gain, "ColorG1"},
     .dialog = Slider(0, 0, 0),
     .reachedBy = {"Travik_SetColorGainGreen1", "value"},
     .inProfile = false,
     .read = ReadZero},
    {.id = Id::ColorGainR,
     .name = "color_gain_r",
     .filterId = FILTER_COLOR_GAIN_RED,
     .range = Signed(0, 0),
     .slot = Camera(kColorGainR),
     .registry = {Key::Gain, "ColorR"},
     .dialog = Slider(0, 0, 0),
     .reachedBy = {"Travik_SetColorGainRed", "value"},
     .inProfile = false,
     .read = ReadZero},
    {.id = Id::ColorGainB,
     .name = "color_gain_b",
     .filterId = FILTER_COLOR_GAIN_BLUE,
     .range = Signed(0, 0),
     .slot = Camera(kColorGainB),
     .registry = {Key::Gain, "ColorB"},
     .dialog = Slider(0, 0, 0),
     .reachedBy = {"Travik_SetColorGainBlue", "value"},
     .inProfile = false,
     .read = ReadZero},
    {.id = Id::ColorGainG2,
     .name = "color_gain_g2",
     .filterId = FILTER_COLOR_GAIN_GREEN2,
     .range = Signed(0, 0),
     .slot = Camera(kColorGainG2),
     .registry = {Key::Gain, "ColorG2"},
     .dialog = Slider(0, 0, 0),
     .reachedBy = {"Travik_SetColorGainGreen2", "value"},
     .inProfile = false,
     .read = ReadZero},
    // Counts down: 3 is the longest exposure, 1003 none. Reading it asks the sensor.
    {.id = Id::Exposure,
     .name = "exposure",
     .filterId = FILTER_EXPOSURE_TIME,
     .range = Signed(SensorModel::kExposureMin, SensorModel::kExposureMax),
     .defaultValue = SensorModel::kExposureMin,
     .slot = Camera(kExposure),
     .registry = {Key::Gain, "Exposure"},
     .sensor = Sensor::Exposure,
     .dialog = Slider(SensorModel::kExposureMin, SensorModel::kExposureMax, 1000 / 8),
     .reachedBy = {"Travik_SetExposureTime", "value"},
     .read = ReadSensorExposure},
    // Any flag is taken as 0 or 1. The Bayer phase of the frame pipeline follows the mirrors, so
    // they change between two frames.
    {.id = Id::MirrorV,
     .name = "mirror_v",
     .range = Any(),
     .defaultFrom = Default::Sensor,
     .slot = Camera(kMirrorV),
     .registry = {Key::Gain, "V_Mirror"},
     .sensor = Sensor::MirrorV,
     .reachedBy = {"Travik_SetMirrorV", "flag"},
     .policy = ChangePolicy::BetweenFrames,
     .write = WriteFlag},
    {.id = Id::MirrorH,
     .name = "mirror_h",
     .range = Any(),
     .defaultFrom = Default::Sensor,
     .slot = Camera(kMirrorH),
     .registry = {Key::Gain, "H_Mirror"},
     .sensor = Sensor::MirrorH,
     .reachedBy = {"Travik_SetMirrorH", "flag"},
     .policy = ChangePolicy::BetweenFrames,
     .write = WriteFlag},
    // 0 off, 1 automatic exposure, 2 automatic gain.
    {.id = Id::AutoIris,
     .name = "auto_iris",
     .range = Unsigned(2),
     .slot = Camera(kAutoIris),
     .registry = {Key::Gain, "AutoIris"},
     .reachedBy = {"Travik_SetAutoIris", "mode"}},
    // Set by its bits, stored (and kept in the registry) as the index 0..5. The buffers and the
    // word mode follow it, so a running acquisition starts again.
    {.id = Id::ColorMode,
     .name = "color_mode",
     .range = OneOf(kColorModeBits),
     .defaultValue = 2,
     .slot = Member(kColorModeIndex),
     .registry = {Key::Camera, "Color"},
     .reachedBy = {"Travik_SetColorMode", "bits"},
     .policy = ChangePolicy::Restart,
     .read = ReadColorModeBits,
     .write = WriteColorModeBits},
    {.id = Id::SubSample,
     .name = "sub_sample",
     .range = Signed(0, 0),
     .slot = Member(kSubSampleMode),
     .registry = {Key::Camera, "SubSample"},
     .reachedBy = {"Travik_SetSubSample", "mode"},
     .policy = ChangePolicy::Restart},
    // The capture window: kept in the registry's size presets ("Size_%02d"), not as values of
    // their own. The total width and height are not checked; the window must lie in the sensor.
    {.id = Id::WindowTotalWidth,
     .name = "window_total_width",
     .range = Any(),
     .defaultValue = kDefaultSizePreset[0],
     .slot = Member(kWindowTH),
     .sensor = Sensor::Window,
     .reachedBy = {"Travik_SetCaptureWindowEx", "TH"},
     .policy = ChangePolicy::Restart},
    {.id = Id::WindowX,
     .name = "window_x",
     .range = Signed(0, kSensorWidth),
     .defaultValue = kDefaultSizePreset[4],
     .slot = Member(kWindowEHS),
     .sensor = Sensor::Window,
     .reachedBy = {"Travik_SetCaptureWindowEx", "EHS"},
     .policy = ChangePolicy::Restart},
    {.id = Id::WindowWidth,
     .name = "window_width",
     .range = Signed(0, kSensorWidth),
     .defaultValue = kDefaultSizePreset[2],
     .slot = Member(kWindowEH),
     .sensor = Sensor::Window,
     .reachedBy = {"Travik_SetCaptureWindowEx", "EH"},
     .policy = ChangePolicy::Restart},
    {.id = Id::WindowTotalHeight,
     .name = "window_total_height",
     .range = Any(),
     .defaultValue = kDefaultSizePreset[1],
     .slot = Member(kWindowTV),
     .sensor = Sensor::Window,
     .reachedBy = {"Travik_SetCaptureWindowEx", "TV"},
     .policy = ChangePolicy::Restart},
    {.id = Id::WindowY,
     .name = "window_y",
     .range = Signed(0, kSensorHeight),
     .defaultValue = kDefaultSizePreset[5],
     .slot = Member(kWindowEVS),
     .sensor = Sensor::Window,
     .reachedBy = {"Travik_SetCaptureWindowEx", "EVS"},
     .policy = ChangePolicy::Restart},
    {.id = Id::WindowHeight,
     .name = "window_height",
     .range = Signed(0, kSensorHeight),
     .defaultValue = kDefaultSizePreset[3],
     .slot = Member(kWindowEV),
     .sensor = Sensor::Window,
     .reachedBy = {"Travik_SetCaptureWindowEx", "EV"},
     .policy = ChangePolicy::Restart},
    // A negative wait is refused, from the registry too. The preview loop reads it every pass.
    {.id = Id::WaitTime,
     .name = "wait_time",
     .range = Signed(0, INT_MAX),
     .defaultValue = 1,
     .slot = Member(kWaitTimeMs),
     .registry = {Key::Camera, "WaitTime", Read::IfAccepted},
     .reachedBy = {"Travik_SetWaitTime", "milliseconds"}},
    // 0 24 MHz, 1 12 MHz, 2 40 MHz: set by the format dialog and written to the sensor at the
    // start.
    {.id = Id::Clock,
     .name = "clock",
     .range = Signed(0, SensorModel::kClockModes - 1),
     .defaultValue = 2,
     .slot = Member(kClockMode),
     .registry = {Key::Camera, "Clock"},
     .reachedBy = {"Travik_SetCameraDlg", nullptr},
     .policy = ChangePolicy::Restart},
};

constexpr int kSettingCount = static_cast<int>(Id::Count);
static_assert(std::size(kSettings) == kSettingCount, "one row per setting");

constexpr bool RowsFollowTheirIds() {
    for (int i = 0; i < kSettingCount; ++i)
        if (static_cast<int>(kSettings[i].id) != i) return false;
    return true;
}
static_assert(RowsFollowTheirIds(), "the rows are in the order of their ids");

constexpr bool NamesAreUnique() {
    for (int i = 0; i < kSettingCount; ++i)
        for (int j = i + 1; j < kSettingCount; ++j)
            if (std::string_view(kSettings[i].name) == kSettings[j].name) return false;
    return true;
}
static_assert(NamesAreUnique(), "each setting has a name of its own");

constexpr const Setting& Of(Id id) {
    return kSettings[static_cast<int>(id)];
}

constexpr const Setting* ByFilterId(int filterId) {
    if (filterId == 0) return nullptr;
    for (const Setting& setting : kSettings)
        if (setting.filterId == filterId) return &setting;
    return nullptr;
}

constexpr const Setting* ByName(std::string_view name) {
    for (const Setting& setting : kSettings)
        if (name == setting.name) return &setting;
    return nullptr;
}

// The value a missing registry value gives, when it is not the sensor's own.
constexpr int DefaultOf(Id id) {
    return Of(id).defaultValue;
}

} // namespace settings

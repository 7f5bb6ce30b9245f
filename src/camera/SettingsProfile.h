// Settings profiles: a camera's settings as UTF-8 text, one "name = value" per line in the
// settings table's order; the text is written and read here, the camera applies it.
#pragma once

#include "camera/SettingsTable.h"

#include <array>
#include <string>
#include <string_view>

namespace settings {

// A value for every setting of the table, and which of them a profile names.
struct ProfileValues {
    std::array<int, kSettingCount> value{};
    std::array<int, kSettingCount> line{}; // the line that named it, from 1; 0 when none did

    int& operator[](Id id) { return value[static_cast<int>(id)]; }
    int operator[](Id id) const { return value[static_cast<int>(id)]; }
    bool Given(Id id) const { return line[static_cast<int>(id)] != 0; }
};

// Why a profile was refused: a TravikProfileReason, the line (0 when no one line is at fault)
// and an English text that names the setting and the rule.
struct ProfileProblem {
    int line = 0;
    int reason = TRAVIK_PROFILE_OK;
    std::string text;

    explicit operator bool() const { return reason != TRAVIK_PROFILE_OK; }
};

// The largest profile read: far above the longest profile with comments, far below a mistake.
constexpr size_t kLargestProfileBytes = 1 << 20;

// Every setting of a profile, in the table's order, under a comment with the SDK's version. A
// stored value its setter would refuse (only the registry or a dialog can store one) is written
// as the nearest value it accepts, so that every profile written can be read.
std::string FormatProfile(const ProfileValues& values);

// Reads `text` over `values`: each setting it names takes its value and line. Every line and
// the capture window as a whole are checked first; a refused profile leaves `values` as it was.
ProfileProblem ParseProfile(std::string_view text, ProfileValues& values);

} // namespace settings

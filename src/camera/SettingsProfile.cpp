// Settings profiles: writing a camera's settings as text and reading them back, line by line.
#include "camera/SettingsProfile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace settings {

namespace {

constexpr char kNewLine[] = "\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string VersionText() {
    const unsigned version = TRAVIK_DLL_VERSION;
    char text[32];
    std::snprintf(text, sizeof(text), "%u.%u.%u.%u", version >> 24, version >> 16 & 0xFF,
                  version >> 8 & 0xFF, version & 0xFF);
    return text;
}

std::string Describe(const ValueRange& range) {
    switch (range.kind) {
    case Range::Any:
        return "any whole number of 32 bits";
    case Range::OneOf: {
        std::string text;
        for (int i = 0; i < range.choiceCount; ++i) {
            if (i > 0) text += i + 1 < range.choiceCount ? ", " : " or ";
            text += std::to_string(range.choices[i]);
        }
        return text;
    }
    default:
        if (range.low == range.high) return std::to_string(range.low) + " only";
        if (range.high == INT_MAX) return std::to_string(range.low) + " or more";
        return std::to_string(range.low) + ".." + std::to_string(range.high);
    }
}

ProfileProblem Problem(int line, int reason, std::string text) {
    return {line, reason, std::move(text)};
}

// Whole UTF-8 sequences only, without overlong forms, surrogates or NUL.
bool IsUtf8Text(std::string_view text) {
    constexpr unsigned kSmallest[] = {0, 0x80, 0x800, 0x10000};
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead == 0) return false;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const int trail = (lead & 0xE0) == 0xC0   ? 1
                          : (lead & 0xF0) == 0xE0 ? 2
                          : (lead & 0xF8) == 0xF0 ? 3
                                                  : 0;
        if (trail == 0 || text.size() - i <= static_cast<size_t>(trail)) return false;
        unsigned code = lead & (0x3Fu >> trail);
        for (int k = 1; k <= trail; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3F);
        }
        if (code < kSmallest[trail] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += trail + 1;
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsName(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!(c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
              (c >= '0' && c <= '9')))
            return false;
    return true;
}

// A decimal whole number with an optional sign; `number` holds it unless it is too long.
bool IsWholeNumber(std::string_view text, long long& number, bool& tooLarge) {
    std::string_view digits = text;
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.remove_prefix(1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    long long magnitude = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    tooLarge = parsed.ec == std::errc::result_out_of_range;
    number = text[0] == '-' ? -magnitude : magnitude;
    return true;
}

// One line, checked against the values read so far.
ProfileProblem ReadLine(std::string_view line, int number, ProfileValues& values) {
    if (!IsUtf8Text(line))
        return Problem(number, TRAVIK_PROFILE_MALFORMED, "the line is not UTF-8 text");
    line = Trim(line.substr(0, line.find('#')));
    if (line.empty()) return {};
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return Problem(number, TRAVIK_PROFILE_MALFORMED, "expected \"name = value\"");
    const std::string_view name = Trim(line.substr(0, equals));
    const std::string_view text = Trim(line.substr(equals + 1));
    if (!IsName(name))
        return Problem(number, TRAVIK_PROFILE_MALFORMED, "expected a setting's name before \"=\"");
    long long parsed = 0;
    bool tooLarge = false;
    if (!IsWholeNumber(text, parsed, tooLarge))
        return Problem(number, TRAVIK_PROFILE_MALFORMED,
                       "expected a whole number after \"" + std::string(name) + " =\"");

    const Setting* setting = ByName(name);
    if (!setting || !setting->inProfile)
        return Problem(number, TRAVIK_PROFILE_UNKNOWN_NAME,
                       "unknown setting \"" + std::string(name) + "\"");
    const int index = static_cast<int>(setting->id);
    if (values.line[index] != 0)
        return Problem(number, TRAVIK_PROFILE_DUPLICATE,
                       std::string(name) + " is given again; line " +
                           std::to_string(values.line[index]) + " gave it first");
    const bool fits = !tooLarge && parsed >= INT_MIN && parsed <= INT_MAX;
    if (!fits || !setting->range.Accepts(static_cast<int>(parsed)))
        return Problem(number, TRAVIK_PROFILE_OUT_OF_RANGE,
                       std::string(name) + " = " + std::string(text) + " is out of range: " +
                           setting->name + " takes " + Describe(setting->range));
    values.value[index] = static_cast<int>(parsed);
    values.line[index] = number;
    return {};
}

// The window must lie in the sensor; told at the later of the two lines that place it.
ProfileProblem CheckWindowAxis(const ProfileValues& values, Id start, Id size, int sensorSize) {
    if (!values.Given(start) && !values.Given(size)) return {};
    const long long end = static_cast<long long>(values[start]) + values[size];
    if (end <= sensorSize) return {};
    const int line =
        std::max(values.line[static_cast<int>(start)], values.line[static_cast<int>(size)]);
    return Problem(line, TRAVIK_PROFILE_OUT_OF_RANGE,
                   std::string("the capture window does not fit the sensor: ") + Of(start).name +
                       " + " + Of(size).name + " is " + std::to_string(end) + ", more than " +
                       std::to_string(sensorSize));
}

} // namespace

std::string FormatProfile(const ProfileValues& values) {
    std::string text =
        "# Travik SDK settings profile: one \"name = value\" per line; \"#\" begins a comment";
    text += kNewLine;
    text += "# written by TravikSdk_380TZ4_RDX.dll " + VersionText();
    text += kNewLine;
    for (const Setting& setting : kSettings) {
        if (!setting.inProfile) continue;
        const int value = setting.range.Nearest(values.value[static_cast<int>(setting.id)]);
        text += std::string(setting.name) + " = " + std::to_string(value) + kNewLine;
    }
    return text;
}

ProfileProblem ParseProfile(std::string_view text, ProfileValues& values) {
    ProfileValues read = values;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    int number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (ProfileProblem problem = ReadLine(line, ++number, read)) return problem;
    }
    if (ProfileProblem problem = CheckWindowAxis(read, Id::WindowX, Id::WindowWidth, kSensorWidth))
        return problem;
    if (ProfileProblem problem =
            CheckWindowAxis(read, Id::WindowY, Id::WindowHeight, kSensorHeight))
        return problem;
    values = read;
    return {};
}

} // namespace settings

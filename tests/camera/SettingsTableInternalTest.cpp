// The public header documents each setting's range as the settings table declares it: the
// comments of the filter ids and the value parameters of the setters.
#include "camera/SettingsTable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>

namespace {

using namespace settings;

std::string PublicHeader() {
    std::ifstream file(TRAVIK_PUBLIC_HEADER);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The range a documentation text states: "A..B", "N only" or "N or more"; a list of numbers for
// a setting that takes only those. Parenthesised remarks ("3 (longest)..1003") are left out.
struct Documented {
    bool bounded = false;
    long long low = 0, high = 0;
    std::vector<int> numbers;
};

Documented Parse(std::string text) {
    text = std::regex_replace(text, std::regex(R"(\([^)]*\))"), "");
    Documented documented;
    std::smatch match;
    if (std::regex_search(text, match, std::regex(R"((-?\d+)\s*\.\.\s*(-?\d+))"))) {
        documented = {true, std::stoll(match[1]), std::stoll(match[2])};
    } else if (std::regex_search(text, match, std::regex(R"((-?\d+) only)"))) {
        documented = {true, std::stoll(match[1]), std::stoll(match[1])};
    } else if (std::regex_search(text, match, std::regex(R"((-?\d+) or more)"))) {
        documented = {true, std::stoll(match[1]), INT_MAX};
    }
    const std::regex number(R"(-?\d+)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), number);
         it != std::sregex_iterator(); ++it)
        documented.numbers.push_back(std::stoi(it->str()));
    return documented;
}

void ExpectDocuments(const Setting& setting, const std::string& text) {
    SCOPED_TRACE(std::string(setting.name) + ": \"" + text + "\"");
    const Documented documented = Parse(text);
    const ValueRange& range = setting.range;
    switch (range.kind) {
    case Range::Any:
        EXPECT_FALSE(documented.bounded) << "takes any value";
        break;
    case Range::OneOf:
        EXPECT_EQ(documented.numbers,
                  std::vector<int>(range.choices, range.choices + range.choiceCount));
        break;
    default:
        EXPECT_TRUE(documented.bounded);
        EXPECT_EQ(documented.low, range.low);
        EXPECT_EQ(documented.high, range.high);
    }
}

// The comment of `FILTER_... = id,` in the enumeration of the filter ids.
std::optional<std::string> FilterComment(const std::string& header, int filterId) {
    std::smatch match;
    const std::regex line("FILTER_\\w+ = " + std::to_string(filterId) + R"(,?\s*/\*\*< (.*) \*/)");
    if (!std::regex_search(header, match, line)) return std::nullopt;
    return match[1].str();
}

// The "@param name" text of the documentation block just before `int function(`.
std::optional<std::string> ParameterDoc(const std::string& header, const Export& reachedBy) {
    const size_t declaration = header.find(std::string("int ") + reachedBy.function + "(");
    if (declaration == std::string::npos) return std::nullopt;
    const size_t block = header.rfind("/**", declaration);
    const std::string doc = header.substr(block, declaration - block);
    std::smatch match;
    if (!std::regex_search(
            doc, match,
            std::regex(std::string(R"(@param )") + reachedBy.parameter + R"( ([^\n]*))")))
        return std::nullopt;
    return match[1].str();
}

TEST(SettingsTable, HeaderDocumentsTheRangeOfEveryFilterId) {
    const std::string header = PublicHeader();
    ASSERT_FALSE(header.empty()) << TRAVIK_PUBLIC_HEADER;
    int checked = 0;
    for (const Setting& setting : kSettings) {
        if (setting.filterId == 0) continue;
        const auto comment = FilterComment(header, setting.filterId);
        ASSERT_TRUE(comment) << setting.name;
        ExpectDocuments(setting, *comment);
        ++checked;
    }
    EXPECT_EQ(checked, 28);
}

TEST(SettingsTable, HeaderDocumentsTheRangeOfEverySettersValue) {
    const std::string header = PublicHeader();
    int checked = 0;
    for (const Setting& setting : kSettings) {
        const Export& reachedBy = setting.reachedBy;
        // The keyed setter documents its ranges by id, above.
        if (!reachedBy.parameter || std::string(reachedBy.function) == "Travik_SetFilterValue")
            continue;
        const auto doc = ParameterDoc(header, reachedBy);
        ASSERT_TRUE(doc) << setting.name << " in " << reachedBy.function;
        ExpectDocuments(setting, *doc);
        ++checked;
    }
    EXPECT_EQ(checked, kSettingCount - 2) << "all but the auto gray gain and the clock";
}

} // namespace

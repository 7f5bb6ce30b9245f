// travikcam check: timing cases, the summary table and the JUnit report.
#include "CheckRunner.h"

#include <windows.h>

#include <cstdio>
#include <exception>

namespace travikcam {

namespace {

double SecondsSince(unsigned long start) {
    return static_cast<double>(GetTickCount() - start) / 1000.0;
}

std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

int GroupResult::Failed() const {
    int failed = 0;
    for (const CaseResult& c : cases)
        failed += c.passed ? 0 : 1;
    return failed;
}

GroupRun::GroupRun(std::string name) : m_start(GetTickCount()) {
    m_result.name = std::move(name);
    std::fprintf(stderr, "check: %s\n", m_result.name.c_str());
}

void GroupRun::Case(const std::string& name, const CaseBody& body) {
    const unsigned long start = GetTickCount();
    std::string failure;
    try {
        failure = body();
    } catch (const std::exception& e) {
        failure = std::string("the check itself failed: ") + e.what();
    }
    Record(name, failure);
    m_result.cases.back().seconds = SecondsSince(start);
}

void GroupRun::Record(const std::string& name, const std::string& failure) {
    CaseResult result;
    result.name = name;
    result.passed = failure.empty();
    result.reason = failure;
    m_result.cases.push_back(result);
    if (!result.passed)
        std::fprintf(stderr, "check:   FAILED %s: %s\n", name.c_str(), failure.c_str());
}

GroupResult GroupRun::Finish() {
    m_result.seconds = SecondsSince(m_start);
    return m_result;
}

void PrintSummary(const std::vector<GroupResult>& groups) {
    std::printf("%-20s %6s %7s %7s %9s\n", "group", "cases", "passed", "failed", "time (s)");
    int cases = 0, failed = 0;
    double seconds = 0;
    for (const GroupResult& g : groups) {
        const int n = static_cast<int>(g.cases.size()), bad = g.Failed();
        std::printf("%-20s %6d %7d %7d %9.1f\n", g.name.c_str(), n, n - bad, bad, g.seconds);
        for (const CaseResult& c : g.cases)
            if (!c.passed) std::printf("    %s: %s\n", c.name.c_str(), c.reason.c_str());
        cases += n;
        failed += bad;
        seconds += g.seconds;
    }
    std::printf("%-20s %6d %7d %7d %9.1f\n", "all", cases, cases - failed, failed, seconds);
}

bool WriteJUnit(const std::string& path, const std::vector<GroupResult>& groups) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    int cases = 0, failed = 0;
    for (const GroupResult& g : groups) {
        cases += static_cast<int>(g.cases.size());
        failed += g.Failed();
    }
    std::fprintf(f, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    std::fprintf(f, "<testsuites name=\"travikcam check\" tests=\"%d\" failures=\"%d\">\n", cases,
                 failed);
    for (const GroupResult& g : groups) {
        std::fprintf(f, "  <testsuite name=\"%s\" tests=\"%d\" failures=\"%d\" time=\"%.3f\">\n",
                     XmlEscaped(g.name).c_str(), static_cast<int>(g.cases.size()), g.Failed(),
                     g.seconds);
        for (const CaseResult& c : g.cases) {
            std::fprintf(f, "    <testcase classname=\"%s\" name=\"%s\" time=\"%.3f\"",
                         XmlEscaped(g.name).c_str(), XmlEscaped(c.name).c_str(), c.seconds);
            if (c.passed) {
                std::fprintf(f, "/>\n");
            } else {
                std::fprintf(f, ">\n      <failure message=\"%s\"/>\n    </testcase>\n",
                             XmlEscaped(c.reason).c_str());
            }
        }
        std::fprintf(f, "  </testsuite>\n");
    }
    std::fprintf(f, "</testsuites>\n");
    return std::fclose(f) == 0;
}

} // namespace travikcam

// travikcam stream's arithmetic and page: percentiles by nearest rank, and a report that holds its
// summary and three plots with a mark per sample, and nothing that fetches or runs anything.
#include "StreamReport.h"

#include <gtest/gtest.h>

namespace {

struct PercentileCase {
    std::vector<double> values;
    double percent, expected;
};

class PercentileOf : public ::testing::TestWithParam<PercentileCase> {};

TEST_P(PercentileOf, IsTheNearestRank) {
    EXPECT_EQ(travikcam::Percentile(GetParam().values, GetParam().percent), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, PercentileOf,
                         ::testing::Values(PercentileCase{{}, 50, 0}, PercentileCase{{7}, 99, 7},
                                           PercentileCase{{4, 1, 3, 2}, 50, 2},
                                           PercentileCase{{4, 1, 3, 2}, 100, 4},
                                           PercentileCase{{4, 1, 3, 2}, 0, 1}));

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(StreamReport, HoldsTheSummaryAndAMarkPerSampleAndFetchesNothing) {
    travikcam::StreamRun run;
    run.mode = "queue";
    run.buffers = 3;
    for (int i = 0; i < 10; ++i)
        run.grabs.push_back({static_cast<std::uint64_t>(2 * i + 1), i ? 1u : 0u, 80.0 * i,
                             80.0 * i + 1 + i % 3});
    run.counts.delivered = 20;
    const std::string html = travikcam::StreamReportHtml(run);
    for (const auto& [name, value] : travikcam::Summarize(run))
        EXPECT_NE(html.find("<tr><th>" + name + "</th><td>" + value + "</td></tr>"),
                  std::string::npos)
            << name;
    EXPECT_EQ(Occurrences(html, "<svg"), 3u);
    EXPECT_EQ(Occurrences(html, "<circle"), 9u + 10u) << "an interval per pair, a skip per grab";
    EXPECT_EQ(Occurrences(html, "<script"), 0u);
    EXPECT_EQ(Occurrences(html, "http:") + Occurrences(html, "https:"),
              Occurrences(html, "xmlns='http://www.w3.org/2000/svg'"));
}

} // namespace

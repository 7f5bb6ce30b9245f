// travikcam stream: the run's summary and its page of plots.
#include "StreamReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace travikcam {

namespace {

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Count(std::uint64_t value) {
    return std::to_string(static_cast<unsigned long long>(value));
}

std::vector<double> Latencies(const StreamRun& run) {
    std::vector<double> values;
    for (const GrabSample& grab : run.grabs) values.push_back(grab.grabbedMs - grab.completedMs);
    return values;
}

// A point in time and the value there.
struct Point {
    double x, y;
};

// The plot area of every chart: 640 × 200 inside margins for the axes' numbers.
constexpr double kLeft = 56, kTop = 16, kWidth = 640, kHeight = 200;

double Ceiling(const std::vector<Point>& points) {
    double top = 0;
    for (const Point& p : points) top = std::max(top, p.y);
    return top > 0 ? top : 1;
}

std::string Axes(double xMax, double yMax, const char* xLabel, const char* yLabel) {
    std::ostringstream svg;
    svg << "<line x1='" << kLeft << "' y1='" << kTop + kHeight << "' x2='" << kLeft + kWidth
        << "' y2='" << kTop + kHeight << "' stroke='#444'/>"
        << "<line x1='" << kLeft << "' y1='" << kTop << "' x2='" << kLeft << "' y2='"
        << kTop + kHeight << "' stroke='#444'/>";
    svg << "<text x='" << kLeft - 6 << "' y='" << kTop + 4 << "' text-anchor='end'>"
        << Format("%.4g", yMax) << "</text><text x='" << kLeft - 6 << "' y='" << kTop + kHeight
        << "' text-anchor='end'>0</text><text x='" << kLeft + kWidth << "' y='"
        << kTop + kHeight + 16 << "' text-anchor='end'>" << Format("%.4g", xMax) << ' ' << xLabel
        << "</text><text x='" << kLeft << "' y='" << kTop + kHeight + 16 << "'>0</text>"
        << "<text x='" << kLeft + 4 << "' y='" << kTop + 12 << "'>" << yLabel << "</text>";
    return svg.str();
}

std::string Svg(const std::string& body) {
    return "<svg xmlns='http://www.w3.org/2000/svg' width='" + Format("%.0f", kLeft + kWidth + 16) +
           "' height='" + Format("%.0f", kTop + kHeight + 24) + "' font-size='11'>" + body +
           "</svg>";
}

// A value over time, as a line with a dot per sample.
std::string LineChart(const std::vector<Point>& points, const char* yLabel, const char* colour) {
    double xMax = 0;
    for (const Point& p : points) xMax = std::max(xMax, p.x);
    if (xMax <= 0) xMax = 1;
    const double yMax = Ceiling(points);
    std::ostringstream line, dots;
    for (const Point& p : points) {
        const double x = kLeft + p.x / xMax * kWidth, y = kTop + kHeight - p.y / yMax * kHeight;
        line << Format("%.1f", x) << ',' << Format("%.1f", y) << ' ';
        dots << "<circle cx='" << Format("%.1f", x) << "' cy='" << Format("%.1f", y)
             << "' r='1.5' fill='" << colour << "'/>";
    }
    return Svg(Axes(xMax, yMax, "s", yLabel) + "<polyline fill='none' stroke='" + colour +
               "' stroke-width='1' points='" + line.str() + "'/>" + dots.str());
}

// Counts of values in bins of equal width from 0 to the largest.
std::string Histogram(const std::vector<double>& values, const char* xLabel) {
    constexpr int kBins = 40;
    double top = 0;
    for (double v : values) top = std::max(top, v);
    const double width = top > 0 ? top / kBins : 1;
    std::vector<int> bins(kBins, 0);
    for (double v : values) ++bins[std::min(kBins - 1, static_cast<int>(v / width))];
    const int most = std::max(1, *std::max_element(bins.begin(), bins.end()));
    std::ostringstream bars;
    for (int i = 0; i < kBins; ++i) {
        const double h = bins[i] * kHeight / most;
        bars << "<rect x='" << Format("%.1f", kLeft + i * kWidth / kBins) << "' y='"
             << Format("%.1f", kTop + kHeight - h) << "' width='"
             << Format("%.1f", kWidth / kBins - 1) << "' height='" << Format("%.1f", h)
             << "' fill='#3a7'><title>" << bins[i] << "</title></rect>";
    }
    return Svg(Axes(width * kBins, most, xLabel, "frames") + bars.str());
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

} // namespace

double Percentile(std::vector<double> values, double percent) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(percent / 100.0 * values.size());
    const std::size_t index = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
    return values[std::min(index, values.size() - 1)];
}

std::vector<std::pair<std::string, std::string>> Summarize(const StreamRun& run) {
    std::vector<double> intervals;
    for (std::size_t i = 1; i < run.grabs.size(); ++i)
        intervals.push_back(run.grabs[i].completedMs - run.grabs[i - 1].completedMs);
    const std::vector<double> latencies = Latencies(run);
    std::uint64_t skipped = 0;
    for (const GrabSample& grab : run.grabs) skipped += grab.skippedBefore;
    // From the first grab to the last: the stream's start is not part of its rate.
    const double span =
        run.grabs.size() < 2 ? 0 : (run.grabs.back().grabbedMs - run.grabs[0].grabbedMs) / 1000;
    const StreamCounts& c = run.counts;
    return {
        {"mode", run.mode},
        {"buffers", std::to_string(run.buffers)},
        {"hold ms", std::to_string(run.holdMs)},
        {"frames grabbed", Count(run.grabs.size())},
        {"grabs per second", Format("%.1f", span > 0 ? (run.grabs.size() - 1) / span : 0)},
        {"frames skipped before grabs", Count(skipped)},
        {"frame interval median ms", Format("%.2f", Percentile(intervals, 50))},
        {"grab latency p50 ms", Format("%.2f", Percentile(latencies, 50))},
        {"grab latency p99 ms", Format("%.2f", Percentile(latencies, 99))},
        {"grab latency max ms", Format("%.2f", Percentile(latencies, 100))},
        {"delivered", Count(c.delivered)},
        {"handed out", Count(c.handedOut)},
        {"dropped by mode", Count(c.droppedByMode)},
        {"dropped by pool", Count(c.droppedByPool)},
        {"skipped by ring", Count(c.skippedByRing)},
        {"discarded at the end", Count(c.discarded)},
        {"lost transfers", Count(c.lostTransfers)},
    };
}

std::string StreamReportHtml(const StreamRun& run) {
    std::vector<Point> intervals, skips;
    for (std::size_t i = 0; i < run.grabs.size(); ++i) {
        const GrabSample& grab = run.grabs[i];
        if (i > 0) intervals.push_back({grab.completedMs / 1000, grab.completedMs - run.grabs[i - 1].completedMs});
        skips.push_back({grab.grabbedMs / 1000, static_cast<double>(grab.skippedBefore)});
    }
    std::ostringstream page;
    page << "<!DOCTYPE html>\n<html><head><meta charset='utf-8'><title>travikcam stream</title>"
         << "<style>body{font-family:sans-serif;margin:24px;color:#222}"
         << "table{border-collapse:collapse}th,td{padding:2px 12px;text-align:left}"
         << "th{font-weight:normal;color:#555}td{font-variant-numeric:tabular-nums}"
         << "h2{font-size:15px;margin:24px 0 4px}</style></head><body>\n"
         << "<h1>travikcam stream</h1>\n<table id='summary'>\n";
    for (const auto& [name, value] : Summarize(run))
        page << "<tr><th>" << Escaped(name) << "</th><td>" << Escaped(value) << "</td></tr>\n";
    page << "</table>\n<h2>Interval between grabbed frames over time (ms)</h2>\n"
         << LineChart(intervals, "ms", "#36c") << "\n<h2>Grab latency: transfer end to grab "
         << "return (ms)</h2>\n"
         << Histogram(Latencies(run), "ms") << "\n<h2>Frames skipped before each grab, over time</h2>\n"
         << LineChart(skips, "frames", "#c53") << "\n</body></html>\n";
    return page.str();
}

} // namespace travikcam

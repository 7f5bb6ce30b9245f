// travikcam stream: frames taken from the frame stream and held, one line each, a summary and a
// page of plots.
#include "Commands.h"
#include "Session.h"
#include "StreamReport.h"

#include <cstdio>

namespace travikcam {

namespace {

class Clock {
  public:
    Clock() {
        LARGE_INTEGER frequency, now;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&now);
        m_ticksPerMs = frequency.QuadPart / 1000.0;
        m_start = now.QuadPart;
    }
    double Ms(LONGLONG ticks) const { return (ticks - m_start) / m_ticksPerMs; }
    double NowMs() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return Ms(now.QuadPart);
    }

  private:
    double m_ticksPerMs = 1;
    LONGLONG m_start = 0;
};

StreamCounts CountsOf(int handle) {
    TravikExStreamStats stats = {};
    stats.size = sizeof(stats);
    TravikEx_GetStreamStats(handle, &stats);
    return StreamCounts{stats.delivered,     stats.handedOut, stats.droppedByMode,
                        stats.droppedByPool, stats.skippedByRing, stats.discarded,
                        stats.lostTransfers};
}

bool WriteReport(const std::wstring& path, const std::string& html) {
    std::FILE* file = _wfopen(AbsolutePath(path).c_str(), L"wb");
    if (!file) return false;
    const bool written = std::fwrite(html.data(), 1, html.size(), file) == html.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

int Stream(const Options& options) {
    Session session;
    if (!session.IsOpen() || !session.SelectDevice(options.device)) return 1;
    const int h = session.Handle();
    if (options.color != 0 &&
        !session.Check(Travik_SetColorMode(h, options.color), "selecting the colour format"))
        return 1;
    Travik_SetPreviewWindow(h, nullptr, 0, 0, 0, 0);

    StreamRun run;
    run.mode = options.mode;
    run.buffers = options.buffers ? options.buffers : TRAVIKEX_DEFAULT_BUFFERS;
    run.holdMs = options.holdMs;
    run.seconds = options.seconds;
    TravikExStreamOptions start = {};
    start.size = sizeof(start);
    start.mode = options.mode == "queue" ? TRAVIKEX_STREAM_QUEUE : TRAVIKEX_STREAM_NEWEST;
    start.buffers = options.buffers;
    const Clock clock;
    if (!session.Check(TravikEx_StartStream(h, &start), "starting the stream")) return 1;

    int status = 0;
    const double endMs = options.seconds * 1000.0;
    while (clock.NowMs() < endMs) {
        TravikExFrame frame = {};
        frame.size = sizeof(frame);
        const int grabbed = TravikEx_GrabFrame(h, 1000, &frame);
        const double grabbedMs = clock.NowMs();
        if (grabbed == 0) continue;
        if (grabbed < 0) {
            session.Check(0, "grabbing a frame");
            status = 1;
            break;
        }
        const GrabSample sample{frame.frameId, frame.skippedBefore, clock.Ms(frame.hostTicks),
                                grabbedMs};
        run.grabs.push_back(sample);
        std::printf("frame %llu  age %.2f ms  skipped %llu\n",
                    static_cast<unsigned long long>(sample.id), grabbedMs - sample.completedMs,
                    static_cast<unsigned long long>(sample.skippedBefore));
        if (options.holdMs > 0) Sleep(static_cast<DWORD>(options.holdMs));
        TravikEx_ReleaseFrame(h, &frame);
    }
    TravikEx_StopStream(h);
    run.counts = CountsOf(h);

    std::printf("summary\n");
    for (const auto& [name, value] : Summarize(run)) std::printf("  %s: %s\n", name.c_str(), value.c_str());
    if (!options.report.empty() && !WriteReport(options.report, StreamReportHtml(run))) {
        std::fprintf(stderr, "travikcam: could not write the report %s\n",
                     ToUtf8(options.report).c_str());
        status = 1;
    }
    if (run.grabs.empty()) {
        std::fprintf(stderr, "travikcam: no frame was grabbed\n");
        status = 1;
    }
    return status;
}

} // namespace travikcam

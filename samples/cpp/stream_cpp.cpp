// stream_cpp: frames the application holds, from the C++ interface: a worker thread takes every
// frame of the queue in a range-for loop, with its number, its time and the frames it missed,
// while the main thread waits and then stops the stream.
#include <TravikSdk.hpp>

#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: stream_cpp [FRAMES]\n");
        return 2;
    }
    const long long wanted = argc > 1 ? std::atoll(argv[1]) : 50;
    if (wanted < 1) {
        std::fprintf(stderr, "stream_cpp: FRAMES must be 1 or more\n");
        return 2;
    }

    auto camera = travik::Camera::open(0); // released when it goes out of scope
    if (!camera) {
        std::fprintf(stderr, "stream_cpp: opening the camera failed: %s\n", camera.error().text());
        return 1;
    }
    // Every frame in order, up to 8 waiting; a full queue gives up its oldest for the newest.
    auto stream = camera->stream({travik::StreamMode::Queue, 8, travik::QueueFull::DropOldest});
    if (!stream) {
        std::fprintf(stderr, "stream_cpp: starting the stream failed: %s\n", stream.error().text());
        return 1;
    }

    // A thread of its own, with no message loop. Each frame is the application's until the loop
    // moves on: the SDK never writes it meanwhile.
    long long frames = 0, missed = 0;
    std::thread worker([&] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        for (travik::Frame& frame : *stream) {
            long long sum = 0;
            for (std::uint8_t byte : frame.pixels()) sum += byte;
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            const double ageMs = (now.QuadPart - frame.hostTicks()) * 1000.0 / frequency.QuadPart;
            std::printf("frame %llu: %d x %d, mean %.1f, %.1f ms old, %llu missed before it\n",
                        static_cast<unsigned long long>(frame.id()), frame.width(),
                        frame.height(), static_cast<double>(sum) / frame.pixels().size, ageMs,
                        static_cast<unsigned long long>(frame.skippedBefore()));
            missed += static_cast<long long>(frame.skippedBefore());
            if (++frames == wanted) break;
        }
    });
    worker.join();
    const auto stats = stream->stats();
    stream->stop();
    if (frames < wanted) {
        std::fprintf(stderr, "stream_cpp: the stream ended after %lld frames: %s\n", frames,
                     stream->ended().text());
        return 1;
    }
    std::printf("took %lld frames; %lld missed; the camera delivered %llu\n", frames, missed,
                stats ? static_cast<unsigned long long>(stats->delivered) : 0ull);
    return 0;
}

// The sidecar files of recordings read back line by line, and the picture distance the MJPEG
// tests measure frames by.
#pragma once

#include "FileTestSupport.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace files_test {

struct SidecarLine {
    uint32_t index = 0;
    uint64_t frameId = 0;
    uint64_t utc = 0; // FILETIME ticks, from the ISO 8601 text
    uint32_t exposureUs = 0, gain = 0;
    uint64_t skipped = 0;
};

struct Sidecar {
    bool ok = false; // the column line, then lines that all parse, each ending in CR LF
    std::vector<SidecarLine> lines;
};

inline Sidecar ReadSidecar(const std::string& path) {
    Sidecar sidecar;
    const std::vector<uint8_t> bytes = ReadBytes(path);
    const std::string text(bytes.begin(), bytes.end());
    const std::string columns = "index,frame_id,host_time_utc,exposure_us,gain,skipped_before\r\n";
    if (text.compare(0, columns.size(), columns) != 0) return sidecar;
    for (size_t at = columns.size(); at < text.size();) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos) return sidecar;
        SidecarLine line;
        unsigned long long id = 0, skipped = 0;
        unsigned year, month, day, hour, minute, second, micro;
        char zone = 0;
        if (std::sscanf(text.c_str() + at, "%u,%llu,%u-%u-%uT%u:%u:%u.%6u%c,%u,%u,%llu",
                        &line.index, &id, &year, &month, &day, &hour, &minute, &second, &micro,
                        &zone, &line.exposureUs, &line.gain, &skipped) != 13 ||
            zone != 'Z')
            return sidecar;
        SYSTEMTIME time = {static_cast<WORD>(year),
                           static_cast<WORD>(month),
                           0,
                           static_cast<WORD>(day),
                           static_cast<WORD>(hour),
                           static_cast<WORD>(minute),
                           static_cast<WORD>(second),
                           0};
        FILETIME utc;
        if (!SystemTimeToFileTime(&time, &utc)) return sidecar;
        line.utc = (uint64_t{utc.dwHighDateTime} << 32 | utc.dwLowDateTime) + uint64_t{micro} * 10;
        line.frameId = id;
        line.skipped = skipped;
        sidecar.lines.push_back(line);
        at = end + 2;
    }
    sidecar.ok = true;
    return sidecar;
}

inline uint64_t UtcNow() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime;
}

// Peak signal to noise ratio, in dB, of 8-bit samples; `same` when they are equal.
inline double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                   double same = 99.0) {
    if (a.size() != b.size() || a.empty()) return 0.0;
    double squares = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = static_cast<double>(a[i]) - static_cast<double>(b[i]);
        squares += d * d;
    }
    if (squares == 0) return same;
    return 10.0 * std::log10(255.0 * 255.0 * a.size() / squares);
}

} // namespace files_test

// Frames to replay from a file: the SDK's raw saves of colour mode 8 or 16, or any file of whole
// 1280 x 960 frames of 8-bit or 10-in-16-bit samples.
#pragma once

#include <string>
#include <vector>

struct ReplayFile {
    std::vector<unsigned short> samples; // 10-bit samples, frame after frame
    unsigned frames = 0;
    unsigned bits = 0; // 8 or 16: the file's sample width
};

// Reads `path`; `bits` 0 tells the width from the file (16 when its size fits 16-bit frames and
// every word is a 10-bit value, else 8), 8 or 16 insists on one. On failure returns false with
// a message for people in `error`.
bool ReadReplayFile(const std::string& path, unsigned bits, ReplayFile& file, std::string& error);

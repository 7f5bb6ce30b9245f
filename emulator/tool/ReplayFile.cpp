// Frames to replay from a file, checked before anything reaches the driver.
#include "ReplayFile.h"

#include "TravikEmuControl.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

constexpr size_t kFrameSamples = TRAVIK_EMU_REPLAY_FRAME_SAMPLES;

bool ReadAll(const std::string& path, std::vector<unsigned char>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The first 16-bit word above 1023, or -1 when every word is a 10-bit sample.
long long FirstWideWord(const std::vector<unsigned char>& bytes) {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        if (bytes[i + 1] > 3) return static_cast<long long>(i / 2);
    return -1;
}

std::string SizeText(size_t bytes) {
    return std::to_string(bytes) + " bytes";
}

} // namespace

bool ReadReplayFile(const std::string& path, unsigned bits, ReplayFile& file, std::string& error) {
    std::vector<unsigned char> bytes;
    if (!ReadAll(path, bytes)) {
        error = "cannot read " + path;
        return false;
    }
    const size_t frame8 = kFrameSamples, frame16 = kFrameSamples * 2;
    const bool fits16 = !bytes.empty() && bytes.size() % frame16 == 0;
    const bool fits8 = !bytes.empty() && bytes.size() % frame8 == 0;
    if (bits == 0) bits = fits16 && FirstWideWord(bytes) < 0 ? 16 : 8;

    if (bits == 16) {
        if (!fits16) {
            error = path + ": " + SizeText(bytes.size()) +
                    " is not a whole number of 1280 x 960 frames of 16-bit samples (" +
                    SizeText(frame16) + " each)";
            return false;
        }
        const long long wide = FirstWideWord(bytes);
        if (wide >= 0) {
            error = path + ": sample " + std::to_string(wide) + " is above 1023";
            return false;
        }
    } else if (!fits8) {
        error = path + ": " + SizeText(bytes.size()) +
                " is not a whole number of 1280 x 960 frames (" + SizeText(frame8) +
                " each with 8-bit samples, " + SizeText(frame16) + " with 16-bit samples)";
        return false;
    }
    const size_t frames = bytes.size() / (bits == 16 ? frame16 : frame8);
    if (frames > TRAVIK_EMU_MAX_REPLAY_FRAMES) {
        error = path + " holds " + std::to_string(frames) + " frames; at most " +
                std::to_string(TRAVIK_EMU_MAX_REPLAY_FRAMES) + " can be replayed";
        return false;
    }

    file.frames = static_cast<unsigned>(frames);
    file.bits = bits;
    file.samples.resize(frames * kFrameSamples);
    // 8-bit samples are the top 8 of the sensor's 10 bits.
    for (size_t i = 0; i < file.samples.size(); ++i)
        file.samples[i] = bits == 16
                              ? static_cast<unsigned short>(bytes[2 * i] | bytes[2 * i + 1] << 8)
                              : static_cast<unsigned short>(bytes[i] << 2);
    return true;
}

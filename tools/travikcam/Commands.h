// travikcam: the commands, each on the public SDK interface as an application would use it.
#pragma once

#include <string>
#include <vector>

namespace travikcam {

// The options a command line may carry, one bit each, so that every verb can say which apply.
enum Option : unsigned {
    kDevice = 1u << 0,
    kFormat = 1u << 1,
    kQuality = 1u << 2,
    kColor = 1u << 3,
    kOutput = 1u << 4,
    kMilliseconds = 1u << 5,
    kSeconds = 1u << 6,
    kCodec = 1u << 7,
    kChroma = 1u << 8,
    kPre = 1u << 9,
    kPost = 1u << 10,
    kSidecar = 1u << 11,
    kMode = 1u << 12,
    kBuffers = 1u << 13,
    kHoldMs = 1u << 14,
    kReport = 1u << 15,
};

struct Options {
    int device = 0;
    std::string format;      // snap: bmp, raw, jpeg, png, tiff
    int quality = 100;       // snap, jpeg: 100, 70 or 20; record, mjpeg: 1..100 (90 unless given)
    int color = 0;           // bits per pixel to select first; 0 keeps the camera's format
    std::wstring output;     // snap, record
    int milliseconds = 3000; // record
    std::string mode = "newest"; // stream: newest or queue
    int buffers = 0;         // stream: the pool's size; 0 for the SDK's default
    int holdMs = 0;          // stream: how long each frame is held
    std::wstring report;     // stream: the HTML report to write
    std::string codec = "raw"; // record: raw or mjpeg
    int chroma = 420;          // record, mjpeg: 420 or 444
    int preMs = 0, postMs = 0; // record, mjpeg: the pre-event seconds kept and written after a mark
    int seconds = 3;         // preview, stream
    unsigned given = 0;      // the options the command line named, one bit each
    std::vector<std::wstring> operands; // the words after the command (settings: ACTION [FILE])
};

class Session;
// Opens the device and selects the colour format the options name; false (said why) on failure.
bool Prepare(Session& session, const Options& options);

// Each returns the process exit status: 0 on success, 1 when the camera or a file failed.
int List(const Options& options);
int Info(const Options& options);
int Snap(const Options& options);
int Record(const Options& options);
int Preview(const Options& options);
// settings save FILE | load FILE | show: the camera's settings as a text profile.
int Settings(const Options& options);
// Whether `action` with `operands` words in all (the action included) is a settings command.
bool IsSettingsAction(const std::wstring& action, size_t operands);
int Stream(const Options& options);

// The file type of the SDK's save call for a format name and JPEG quality; -1 when unknown.
int FileTypeFor(const std::string& format, int quality);

} // namespace travikcam

// travikcam: a command-line program on the SDK's public interface, for shells and scripts.
#include "Check.h"
#include "Commands.h"
#include "Session.h"

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

using travikcam::Options;

void Usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: travikcam [--device N] COMMAND [OPTIONS]\n"
                 "  list                          the cameras present\n"
                 "  info [--color BITS]           the selected camera and its format\n"
                 "  snap --format bmp|raw|jpeg|png|tiff [--quality 100|70|20]\n"
                 "       [--color 8|16|24|32|48|64] -o FILE\n"
                 "                                take one picture and save it\n"
                 "  record --ms N [--color BITS] [--codec raw|mjpeg] [--sidecar] -o FILE.avi\n"
                 "                                record N milliseconds of video\n"
                 "         mjpeg: [--quality 1..100] [--chroma 420|444] [--pre S] [--post T]\n"
                 "                                --pre/--post: keep the last S seconds; each\n"
                 "                                mark (key m, or a line on a pipe) writes them\n"
                 "                                and the next T seconds to FILE-0001.avi, ...\n"
                 "  preview --seconds N [--color BITS]\n"
                 "                                show the live picture in a window\n"
                 "  settings save FILE | load FILE | show\n"
                 "                                the camera's settings as a text profile:\n"
                 "                                written to FILE, loaded from it (what the\n"
                 "                                registry keeps stays), or printed\n"
                 "  stream [--mode newest|queue] [--buffers N] [--seconds S] [--hold-ms M]\n"
                 "         [--report FILE.html] [--color BITS]\n"
                 "                                grab and hold frames of the frame stream,\n"
                 "                                one line each, a summary and a report\n"
                 "  check [--device N] [--quick|--long] [--junit FILE]\n"
                 "                                check the SDK and the camera, case by case\n"
                 "exit status: 0 done, 1 the camera or a file failed, 2 wrong arguments\n");
}

// A whole decimal number that fits in an int; wcstoll reports overflow through errno, where a
// 32-bit long would have been clamped without a word.
bool ParseInt(const wchar_t* text, int& value) {
    if (text == nullptr || *text == L'\0') return false;
    wchar_t* end = nullptr;
    errno = 0;
    const long long parsed = std::wcstoll(text, &end, 10);
    if (end == text || *end != L'\0' || errno == ERANGE || parsed < -2147483647LL - 1 ||
        parsed > 2147483647LL)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "travikcam: %s\n", message.c_str());
    std::fprintf(stderr, "try 'travikcam --help'\n");
    return 2;
}

using namespace travikcam;

const char* OptionName(unsigned option) {
    switch (option) {
    case kDevice:
        return "--device";
    case kFormat:
        return "--format";
    case kQuality:
        return "--quality";
    case kColor:
        return "--color";
    case kOutput:
        return "-o";
    case kMilliseconds:
        return "--ms";
    case kSeconds:
        return "--seconds";
    case kMode:
        return "--mode";
    case kBuffers:
        return "--buffers";
    case kHoldMs:
        return "--hold-ms";
    case kReport:
        return "--report";
    case kCodec:
        return "--codec";
    case kChroma:
        return "--chroma";
    case kPre:
        return "--pre";
    case kPost:
        return "--post";
    case kSidecar:
        return "--sidecar";
    default:
        return "?";
    }
}

struct Verb {
    const char* name;
    unsigned options;             // the options that apply to it
    size_t operands;              // the most words it takes after its name
    int (*check)(const Options&); // usage checks beyond the options; 0 when fine
    int (*run)(const Options&);
};

int NoCheck(const Options&) {
    return 0;
}

int CheckSnap(const Options& options) {
    if (travikcam::FileTypeFor(options.format, options.quality) < 0)
        return Fail("snap needs --format bmp|raw|jpeg|png|tiff (jpeg --quality 100, 70 or 20)");
    if ((options.given & kQuality) && options.format != "jpeg" && options.format != "jpg")
        return Fail("--quality applies to --format jpeg only");
    if (options.output.empty()) return Fail("snap needs -o FILE");
    return 0;
}

int CheckRecord(const Options& options) {
    if (options.output.empty()) return Fail("record needs -o FILE.avi");
    if (options.codec != "mjpeg" && (options.given & (kQuality | kChroma | kPre | kPost)))
        return Fail("--quality, --chroma, --pre and --post apply to --codec mjpeg only");
    if ((options.given & kQuality) && (options.quality < 1 || options.quality > 100))
        return Fail("--quality needs 1 to 100 for a recording");
    if (options.preMs > 600000) return Fail("--pre keeps at most 600 seconds");
    return 0;
}

int CheckSettings(const Options& options) {
    const auto& words = options.operands;
    if (words.empty() || !travikcam::IsSettingsAction(words[0], words.size()))
        return Fail("settings needs save FILE, load FILE or show");
    return 0;
}

// One line per verb.
constexpr Verb kVerbs[] = {
    {"list", 0, 0, NoCheck, travikcam::List},
    {"info", kDevice | kColor, 0, NoCheck, travikcam::Info},
    {"snap", kDevice | kFormat | kQuality | kColor | kOutput, 0, CheckSnap, travikcam::Snap},
    {"record",
     kDevice | kColor | kOutput | kMilliseconds | kCodec | kQuality | kChroma | kPre | kPost |
         kSidecar,
     0, CheckRecord, travikcam::Record},
    {"preview", kDevice | kColor | kSeconds, 0, NoCheck, travikcam::Preview},
    {"settings", kDevice, 2, CheckSettings, travikcam::Settings},
    {"stream", kDevice | kColor | kSeconds | kMode | kBuffers | kHoldMs | kReport, 0, NoCheck,
     travikcam::Stream},
};

// A number of seconds, whole or with up to three decimals, as milliseconds no longer than an
// hour.
bool ParseSeconds(const wchar_t* text, int& ms) {
    if (text == nullptr || *text == L'\0') return false;
    wchar_t* end = nullptr;
    errno = 0;
    const double seconds = std::wcstod(text, &end);
    if (end == text || *end != L'\0' || errno == ERANGE || !(seconds >= 0) || seconds > 3600)
        return false;
    ms = static_cast<int>(seconds * 1000 + 0.5);
    return true;
}

// Reads the options into `options`; 0, or the exit status of a usage error.
int ParseArguments(int argc, wchar_t** argv, Options& options, std::string& command) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const std::string shown = travikcam::ToUtf8(arg);
        auto value = [&]() -> const wchar_t* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto number = [&](int& out) { return ParseInt(value(), out); };
        if (arg == L"-h" || arg == L"--help") {
            Usage(stdout);
            return -1;
        } else if (arg == L"--device") {
            options.given |= kDevice;
            if (!number(options.device) || options.device < 0)
                return Fail("--device needs a device number");
        } else if (arg == L"--format") {
            options.given |= kFormat;
            const wchar_t* text = value();
            if (!text) return Fail("--format needs bmp, raw, jpeg, png or tiff");
            options.format = travikcam::ToUtf8(text);
        } else if (arg == L"--quality") {
            options.given |= kQuality;
            if (!number(options.quality)) return Fail("--quality needs 100, 70 or 20");
        } else if (arg == L"--color") {
            options.given |= kColor;
            if (!number(options.color)) return Fail("--color needs 8, 16, 24, 32, 48 or 64");
        } else if (arg == L"-o" || arg == L"--output") {
            options.given |= kOutput;
            const wchar_t* text = value();
            if (!text || !*text) return Fail("-o needs a file name");
            options.output = text;
        } else if (arg == L"--ms") {
            options.given |= kMilliseconds;
            if (!number(options.milliseconds) || options.milliseconds < 1)
                return Fail("--ms needs a positive number of milliseconds");
        } else if (arg == L"--seconds") {
            options.given |= kSeconds;
            if (!number(options.seconds) || options.seconds < 1 || options.seconds > 2147483)
                return Fail("--seconds needs a positive number");
        } else if (arg == L"--mode") {
            options.given |= kMode;
            const wchar_t* text = value();
            options.mode = text ? travikcam::ToUtf8(text) : "";
            if (options.mode != "newest" && options.mode != "queue")
                return Fail("--mode needs newest or queue");
        } else if (arg == L"--buffers") {
            options.given |= kBuffers;
            if (!number(options.buffers) || options.buffers < 1 || options.buffers > TRAVIKEX_MAX_BUFFERS)
                return Fail("--buffers needs a number from 1 to 64");
        } else if (arg == L"--hold-ms") {
            options.given |= kHoldMs;
            if (!number(options.holdMs) || options.holdMs < 0)
                return Fail("--hold-ms needs a number of milliseconds, 0 or more");
        } else if (arg == L"--report") {
            options.given |= kReport;
            const wchar_t* text = value();
            if (!text || !*text) return Fail("--report needs a file name");
            options.report = text;
        } else if (arg == L"--codec") {
            options.given |= kCodec;
            const wchar_t* text = value();
            options.codec = text ? travikcam::ToUtf8(text) : "";
            if (options.codec != "raw" && options.codec != "mjpeg")
                return Fail("--codec needs raw or mjpeg");
        } else if (arg == L"--chroma") {
            options.given |= kChroma;
            if (!number(options.chroma) || (options.chroma != 420 && options.chroma != 444))
                return Fail("--chroma needs 420 or 444");
        } else if (arg == L"--pre" || arg == L"--post") {
            const bool pre = arg == L"--pre";
            options.given |= pre ? kPre : kPost;
            if (!ParseSeconds(value(), pre ? options.preMs : options.postMs))
                return Fail(shown + " needs a number of seconds, 0 to 3600");
        } else if (arg == L"--sidecar") {
            options.given |= kSidecar;
        } else if (command.empty() && !arg.empty() && arg[0] != L'-') {
            command = shown;
        } else if (!command.empty() && !arg.empty() && arg[0] != L'-') {
            options.operands.push_back(arg); // the verb says how many it takes
        } else {
            return Fail("unexpected argument '" + shown + "'");
        }
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && travikcam::IsCheckVerb(argv[1])) return travikcam::RunCheck(argc - 1, argv + 1);
    Options options;
    std::string command;
    if (const int status = ParseArguments(argc, argv, options, command))
        return status < 0 ? 0 : status;

    if (options.color != 0 && options.color != 8 && options.color != 16 && options.color != 24 &&
        options.color != 32 && options.color != 48 && options.color != 64)
        return Fail("--color needs 8, 16, 24, 32, 48 or 64");
    if (command.empty()) {
        Usage(stderr);
        return 2;
    }
    for (const Verb& verb : kVerbs) {
        if (command != verb.name) continue;
        if (options.operands.size() > verb.operands)
            return Fail("unexpected argument '" +
                        travikcam::ToUtf8(options.operands[verb.operands]) + "'");
        const unsigned refused = options.given & ~verb.options;
        if (refused != 0)
            return Fail(std::string(OptionName(refused & (~refused + 1))) + " does not apply to " +
                        verb.name);
        if (const int status = verb.check(options)) return status;
        return verb.run(options);
    }
    return Fail("unknown command '" + command + "'");
}

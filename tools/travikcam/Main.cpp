// travikcam: a command-line program on the SDK's public interface, for shells and scripts.
#include "Check.h"
#include "Commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Usage(std::FILE* out) {
    std::fprintf(out, "usage: travikcam [--device N] COMMAND [OPTIONS]\n"
                      "  list                          the cameras present\n"
                      "  info                          the selected camera and its format\n"
                      "  snap --format bmp|raw|jpeg|png|tiff [--quality 100|70|20]\n"
                      "       [--color 8|16|24|32|48|64] -o FILE\n"
                      "                                take one picture and save it\n"
                      "  record --ms N [--color BITS] -o FILE.avi\n"
                      "                                record N milliseconds of video\n"
                      "  preview --seconds N [--color BITS]\n"
                      "                                show the live picture in a window\n"
                      "  check [--device N] [--quick|--long] [--junit FILE]\n"
                      "                                check the SDK and the camera, case by case\n"
                      "exit status: 0 done, 1 the camera or a file failed, 2 wrong arguments\n");
}

bool ParseInt(const char* text, int& value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < -2147483647L || parsed > 2147483647L) return false;
    value = static_cast<int>(parsed);
    return true;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "travikcam: %s\n", message.c_str());
    std::fprintf(stderr, "try 'travikcam --help'\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && travikcam::IsCheckVerb(argv[1])) return travikcam::RunCheck(argc - 1, argv + 1);
    travikcam::Options options;
    std::string command;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto number = [&](int& out) {
            const char* text = value();
            return text != nullptr && ParseInt(text, out);
        };
        if (arg == "-h" || arg == "--help") {
            Usage(stdout);
            return 0;
        } else if (arg == "--device") {
            if (!number(options.device) || options.device < 0)
                return Fail("--device needs a device number");
        } else if (arg == "--format") {
            const char* text = value();
            if (!text) return Fail("--format needs bmp, raw, jpeg, png or tiff");
            options.format = text;
        } else if (arg == "--quality") {
            if (!number(options.quality)) return Fail("--quality needs 100, 70 or 20");
        } else if (arg == "--color") {
            if (!number(options.color)) return Fail("--color needs 8, 16, 24, 32, 48 or 64");
        } else if (arg == "-o" || arg == "--output") {
            const char* text = value();
            if (!text || !*text) return Fail("-o needs a file name");
            options.output = text;
        } else if (arg == "--ms") {
            if (!number(options.milliseconds) || options.milliseconds < 1)
                return Fail("--ms needs a positive number of milliseconds");
        } else if (arg == "--seconds") {
            if (!number(options.seconds) || options.seconds < 1)
                return Fail("--seconds needs a positive number");
        } else if (command.empty() && arg[0] != '-') {
            command = arg;
        } else {
            return Fail("unexpected argument '" + arg + "'");
        }
    }

    if (options.color != 0 && options.color != 8 && options.color != 16 && options.color != 24 &&
        options.color != 32 && options.color != 48 && options.color != 64)
        return Fail("--color needs 8, 16, 24, 32, 48 or 64");
    if (command == "list") return travikcam::List(options);
    if (command == "info") return travikcam::Info(options);
    if (command == "snap") {
        if (travikcam::FileTypeFor(options.format, options.quality) < 0)
            return Fail("snap needs --format bmp|raw|jpeg|png|tiff (jpeg --quality 100, 70 or 20)");
        if (options.output.empty()) return Fail("snap needs -o FILE");
        return travikcam::Snap(options);
    }
    if (command == "record") {
        if (options.output.empty()) return Fail("record needs -o FILE.avi");
        return travikcam::Record(options);
    }
    if (command == "preview") return travikcam::Preview(options);
    if (command.empty()) {
        Usage(stderr);
        return 2;
    }
    return Fail("unknown command '" + command + "'");
}

// qdmedia: the media framework from the command line.
//   qdmedia list
//   qdmedia preview [--device NAME] [--seconds N]
//   qdmedia grab [--device NAME] out.bmp
//   qdmedia record --device NAME [--audio-device NAME] [--video-compressor NAME]
//                  [--audio-compressor NAME] [--wm-profile NAME] --seconds N out.avi|out.wmv
//   qdmedia record --device NAME --sink split [--split-files N] [--split-mb N] [--avi2] ... --seconds N out.avi
//   qdmedia repair FILE.avi
// NAME is a catalogue entry's friendly name or display name; without --device the first video
// device (preview, grab). record takes the virtual TV card's own audio with the card's video
// unless --audio-device names another; other devices record audio only with --audio-device.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/com/com_runtime.h"
#include "tools/qdmedia/catalogue.h"
#include "tools/qdmedia/commands.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: qdmedia list\n"
                 "       qdmedia preview [--device NAME] [--seconds N]\n"
                 "       qdmedia grab [--device NAME] out.bmp\n"
                 "       qdmedia record --device NAME [--audio-device NAME] [--video-compressor NAME]\n"
                 "                      [--audio-compressor NAME] [--wm-profile NAME] --seconds N FILE\n"
                 "       qdmedia record ... --sink split [--split-files N] [--split-mb N] [--avi2] --seconds N out.avi\n"
                 "       qdmedia repair FILE.avi\n");
    return 2;
}

struct Options {
    qdmedia::RecordRequest record;
    double seconds = 5;
    bool secondsGiven = false;
    std::vector<std::string> rest;
    bool valid = true;
};

// The option's text field, or null for an option that is not a named text one.
std::string* TextOption(Options& o, const std::string& arg) {
    if (arg == "--device") return &o.record.device;
    if (arg == "--audio-device") return &o.record.audioDevice;
    if (arg == "--video-compressor") return &o.record.videoCompressor;
    if (arg == "--audio-compressor") return &o.record.audioCompressor;
    if (arg == "--wm-profile") return &o.record.wmProfile;
    return nullptr;
}

// A whole number within [low, high], else -2.
long Count(const char* text, long low, long high) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return end && !*end && end != text && value >= low && value <= high ? value : -2;
}

Options Parse(int argc, char** argv) {
    Options o;
    std::string sink;
    bool splitOption = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue = TextOption(o, arg) || arg == "--seconds" || arg == "--sink" || arg == "--split-files" ||
                                arg == "--split-mb";
        if (takesValue && i + 1 >= argc) {
            o.valid = false;
        } else if (std::string* text = TextOption(o, arg)) {
            *text = argv[++i];
        } else if (arg == "--sink") {
            sink = argv[++i];
            if (sink != "split" && sink != "avi") o.valid = false;
        } else if (arg == "--split-files") {
            o.record.splitFiles = Count(argv[++i], 0, 1000);
            splitOption = true;
        } else if (arg == "--split-mb") {
            o.record.splitMegabytes = Count(argv[++i], 1, 2048);
            splitOption = true;
        } else if (arg == "--avi2") {
            o.record.avi2 = true;
            splitOption = true;
        } else if (arg == "--seconds") {
            char* end = nullptr;
            o.seconds = std::strtod(argv[++i], &end);
            o.secondsGiven = true;
            if (!end || *end || !(o.seconds > 0) || o.seconds > 86400) o.valid = false;
        } else if (arg.rfind("--", 0) == 0) {
            o.valid = false;
        } else {
            o.rest.push_back(arg);
        }
    }
    o.record.splitSink = sink == "split";
    // The split options belong to the splitting multiplexer, and only valid numbers.
    if (splitOption && !o.record.splitSink) o.valid = false;
    if (o.record.splitFiles == -2 || o.record.splitMegabytes == -2) o.valid = false;
    return o;
}

bool OnlyDeviceOption(const Options& o) {
    const qdmedia::RecordRequest& r = o.record;
    return r.audioDevice.empty() && r.videoCompressor.empty() && r.audioCompressor.empty() && r.wmProfile.empty() &&
           !r.splitSink;
}

int Run(const std::string& command, Options o) {
    if (command == "record" && o.rest.size() == 1 && !o.record.device.empty() && o.secondsGiven) {
        o.record.seconds = o.seconds;
        o.record.file = o.rest[0];
        return qdmedia::Record(o.record);
    }
    if (!OnlyDeviceOption(o)) return Usage();
    if (command == "list" && o.rest.empty()) return qdmedia::ListCatalogue();
    if (command == "preview" && o.rest.empty()) return qdmedia::Preview(o.record.device, o.seconds);
    if (command == "grab" && o.rest.size() == 1) return qdmedia::Grab(o.record.device, o.rest[0]);
    return Usage();
}

// repair works on the file alone, without the media framework.
int RunRepair(const Options& o) {
    if (o.rest.size() != 1 || !o.record.device.empty() || o.secondsGiven || !OnlyDeviceOption(o)) return Usage();
    return qdmedia::Repair(o.rest[0]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const Options options = Parse(argc, argv);
    if (!options.valid) return Usage();
    if (std::string(argv[1]) == "repair") return RunRepair(options);
    if (FAILED(CoInitialize(nullptr))) {
        std::fprintf(stderr, "qdmedia: CoInitialize failed\n");
        return 1;
    }
    const int result = Run(argv[1], options);
    CoUninitialize();
    return result;
}

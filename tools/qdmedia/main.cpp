// qdmedia: the media framework from the command line.
//   qdmedia list
//   qdmedia preview [--device NAME] [--seconds N]
//   qdmedia grab [--device NAME] out.bmp
// NAME is a device's friendly name or display name; without it the first video device.
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
                 "       qdmedia grab [--device NAME] out.bmp\n");
    return 2;
}

struct Options {
    std::string device;
    double seconds = 5;
    std::vector<std::string> rest;
    bool valid = true;
};

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--device" || arg == "--seconds") && i + 1 >= argc) {
            o.valid = false;
        } else if (arg == "--device") {
            o.device = argv[++i];
        } else if (arg == "--seconds") {
            char* end = nullptr;
            o.seconds = std::strtod(argv[++i], &end);
            if (!end || *end || o.seconds <= 0 || o.seconds > 86400) o.valid = false;
        } else if (arg.rfind("--", 0) == 0) {
            o.valid = false;
        } else {
            o.rest.push_back(arg);
        }
    }
    return o;
}

int Run(const std::string& command, const Options& o) {
    if (command == "list" && o.rest.empty()) return qdmedia::ListCatalogue();
    if (command == "preview" && o.rest.empty()) return qdmedia::Preview(o.device, o.seconds);
    if (command == "grab" && o.rest.size() == 1) return qdmedia::Grab(o.device, o.rest[0]);
    return Usage();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const Options options = Parse(argc, argv);
    if (!options.valid) return Usage();
    if (FAILED(CoInitialize(nullptr))) {
        std::fprintf(stderr, "qdmedia: CoInitialize failed\n");
        return 1;
    }
    const int result = Run(argv[1], options);
    CoUninitialize();
    return result;
}

// qdrecord: a headless recorder on the capture engine, for scripts and cron.
//   qdrecord [--profiles DIR] [--device NAME] [--compressor NAME] [--mux NAME] --seconds N
// Records with the named profiles (the current ones by default) of the profile directory into
// the options' movie directory and naming, then prints the file, the frames captured and
// dropped and the statistics.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/com/com_runtime.h"
#include "platform/system/profile_directory.h"
#include "tools/qdrecord/recording_run.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: qdrecord [--profiles DIR] [--device NAME] [--compressor NAME] [--mux NAME] --seconds N\n");
    return 2;
}

bool ParseSeconds(const char* text, double* seconds) {
    char* end = nullptr;
    *seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && *seconds > 0 && *seconds < 1e7;
}

}  // namespace

int main(int argc, char** argv) {
    qdrecord::Request request;
    bool secondsGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return Usage();
        const char* value = argv[++i];
        if (arg == "--profiles") {
            request.profileDirectory = value;
            if (request.profileDirectory.back() != '/') request.profileDirectory += '/';
        } else if (arg == "--device") {
            request.device = value;
        } else if (arg == "--compressor") {
            request.compressor = value;
        } else if (arg == "--mux") {
            request.mux = value;
        } else if (arg == "--seconds") {
            if (!ParseSeconds(value, &request.seconds)) return Usage();
            secondsGiven = true;
        } else {
            return Usage();
        }
    }
    if (!secondsGiven) return Usage();
    if (request.profileDirectory.empty()) request.profileDirectory = ResolveProfileDirectory();
    if (FAILED(CoInitialize(nullptr))) {
        std::fprintf(stderr, "qdrecord: CoInitialize failed\n");
        return 1;
    }
    const int status = qdrecord::Record(request);
    CoUninitialize();
    return status;
}

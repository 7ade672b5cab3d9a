#include "engine/still_image_name.h"

#include <cstdio>

#include "common/path_utils.h"
#include "platform/system/local_time.h"

namespace {

constexpr DWORD kStillNumberLimit = 10000;

// The number formatted for the name; the profile then holds the next one.
std::string TakeStillNumber(COptionProfile& options) {
    char number[32];
    std::snprintf(number, sizeof number, "%04ld", static_cast<long>(options.StillNumber));
    options.StillNumber += 1;
    if (options.StillNumber >= kStillNumberLimit) options.StillNumber = 0;
    return number;
}

}  // namespace

std::string NextStillImagePath(COptionProfile& options, std::time_t now) {
    std::string path = options.StillDir;
    AppendBackslash(path);
    path += options.StillFile;
    if (options.StillNaming == 1 || options.StillNaming == 2) {
        if (!options.StillFile.empty()) path += '-';
        path += options.StillNaming == 2 ? FormatLocalTime("%Y%m%d-%H%M%S", now) : TakeStillNumber(options);
    }
    path += ".bmp";
    return path;
}

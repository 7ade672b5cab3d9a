// The file name of the next still image, from the option profile's still-image settings.
#pragma once

#include <ctime>
#include <string>

#include "profiles/option_profile.h"

// StillDir with a separator, StillFile, then by StillNaming: 2 adds "-" (only after a
// non-empty name) and the local time `now` as "%Y%m%d-%H%M%S"; 1 adds "-" (likewise) and
// StillNumber as "%04ld", and advances StillNumber, which runs 0 to 9999 and starts again;
// any other value adds nothing. Ends in ".bmp".
std::string NextStillImagePath(COptionProfile& options, std::time_t now);

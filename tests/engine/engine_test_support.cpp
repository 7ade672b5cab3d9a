#include "tests/engine/engine_test_support.h"

#include <cstdlib>

namespace {
// Engine tests never see the machine's own devices: the virtual TV card is the first device.
const bool realDevicesHidden = setenv("QUILLDECK_HIDE_REAL_DEVICES", "1", 1) == 0;
}  // namespace

#include "tests/support/real_devices.h"

#include <cstdlib>
#include <cstring>

bool RealDevicesOptedIn() {
    const char* value = std::getenv("QUILLDECK_TEST_REAL_DEVICES");
    return value && std::strcmp(value, "1") == 0;
}

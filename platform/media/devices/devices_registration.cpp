// The device classes are built in: they are registered when qdplatform is loaded, before
// any program or test code runs, so CoCreateInstance(CLSID_SystemDeviceEnum) and
// MkParseDisplayName("@device:...") work without set-up.
#include "platform/media/devices/system_device_enum.h"

namespace {

[[maybe_unused]] const bool kDeviceClassesRegistered = [] {
    media::RegisterDeviceClasses();
    return true;
}();

}  // namespace

// The generated settings page is a built-in class: property frames create it by its class id
// for every compressor and effect.
#include "platform/com/com_runtime.h"
#include "platform/media/codecs/element_settings_page.h"

namespace {

[[maybe_unused]] const bool kSettingsPageRegistered = [] {
    RegisterBuiltinClass(CLSID_ElementSettingsPage, media::codecs::CreateElementSettingsPage);
    return true;
}();

}  // namespace

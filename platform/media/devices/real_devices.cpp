#include "platform/media/devices/real_devices.h"

#include "platform/media/gst.h"

#include <memory>
#include <string>

#include "platform/com/wide_text.h"
#include "platform/media/capture_filters/capture_filters.h"
#include "platform/media/gst_helpers.h"

namespace media {
namespace {

struct ProviderInfo {
    const char* factory;  // the GstDeviceProvider factory
    const char* kind;     // the display name's second part
};

constexpr ProviderInfo kVideoProviders[] = {{"v4l2deviceprovider", "v4l2"}};
constexpr ProviderInfo kAudioProviders[] = {
    {"pulsedeviceprovider", "pulse"}, {"pipewiredeviceprovider", "pipewire"}, {"alsadeviceprovider", "alsa"}};

std::string PropertyText(GstDevice* device, const char* key) {
    GstStructure* props = gst_device_get_properties(device);
    std::string value;
    if (props) {
        if (const gchar* text = gst_structure_get_string(props, key)) value = text;
        gst_structure_free(props);
    }
    return value;
}

// What names the device for good: its node (V4L2), its source name (PulseAudio/PipeWire),
// else its description.
std::string StableId(GstDevice* device) {
    for (const char* key : {"api.v4l2.path", "device.path", "node.name", "device.name", "alsa.card_name"}) {
        std::string value = PropertyText(device, key);
        if (!value.empty()) return value;
    }
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(device), "internal-name")) {
        gchar* name = nullptr;
        g_object_get(device, "internal-name", &name, nullptr);
        std::string value = name ? name : "";
        g_free(name);
        if (!value.empty()) return value;
    }
    gchar* name = gst_device_get_display_name(device);
    std::string value = name ? name : "";
    g_free(name);
    return value;
}

bool IsMonitor(GstDevice* device) { return PropertyText(device, "device.class") == "monitor"; }

std::vector<DeviceEntry> FromProvider(const ProviderInfo& info, const char* deviceClass, bool video) {
    std::vector<DeviceEntry> entries;
    GstDeviceProvider* provider = gst_device_provider_factory_get_by_name(info.factory);
    if (!provider) return entries;
    GList* devices = gst_device_provider_get_devices(provider);
    for (GList* l = devices; l; l = l->next) {
        GstDevice* device = GST_DEVICE(l->data);
        if (!gst_device_has_classes(device, deviceClass) || IsMonitor(device)) continue;
        const std::string id = StableId(device);
        gchar* friendly = gst_device_get_display_name(device);
        DeviceEntry e;
        e.displayName = Utf8ToWide(std::string("@device:") + info.kind + ":" + id);
        e.friendlyName = Utf8ToWide(friendly ? friendly : id);
        e.devicePath = Utf8ToWide(id);
        e.filterClass = video ? CLSID_QuilldeckVideoDeviceCapture : CLSID_QuilldeckAudioDeviceCapture;
        g_free(friendly);
        std::shared_ptr<GstDevice> held(GST_DEVICE(gst_object_ref(device)), [](GstDevice* d) { gst_object_unref(d); });
        e.create = [held](REFIID riid, void** object) { return CreateDeviceCaptureFilter(held.get(), riid, object); };
        entries.push_back(std::move(e));
    }
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(provider);
    return entries;
}

}  // namespace

std::vector<DeviceEntry> RealVideoDevices() {
    std::vector<DeviceEntry> entries;
    if (!EnsureGstStarted()) return entries;
    for (const ProviderInfo& p : kVideoProviders) {
        std::vector<DeviceEntry> more = FromProvider(p, "Video/Source", true);
        for (DeviceEntry& e : more) entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<DeviceEntry> RealAudioDevices() {
    if (!EnsureGstStarted()) return {};
    for (const ProviderInfo& p : kAudioProviders) {
        std::vector<DeviceEntry> entries = FromProvider(p, "Audio/Source", false);
        if (!entries.empty()) return entries;
    }
    return {};
}

}  // namespace media

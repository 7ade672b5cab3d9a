#include "platform/media/devices/device_arrival.h"

#include "platform/media/devices/device_catalog.h"
#include "platform/media/gst.h"
#include "platform/media/gst_helpers.h"

namespace media {

struct DeviceArrivalWatch::Callbacks {
    static gboolean OnBusMessage(GstBus*, GstMessage* message, gpointer data) {
        auto* watch = static_cast<DeviceArrivalWatch*>(data);
        GstDevice* device = nullptr;
        DeviceChange change;
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_DEVICE_ADDED:
            gst_message_parse_device_added(message, &device);
            change = DeviceChange::Arrival;
            break;
        case GST_MESSAGE_DEVICE_REMOVED:
            gst_message_parse_device_removed(message, &device);
            change = DeviceChange::Removal;
            break;
        default: return G_SOURCE_CONTINUE;
        }
        gchar* name = device ? gst_device_get_display_name(device) : nullptr;
        if (watch->handler_) watch->handler_(change, name ? name : "");
        g_free(name);
        if (device) gst_object_unref(device);
        return G_SOURCE_CONTINUE;
    }
};

DeviceArrivalWatch::DeviceArrivalWatch(Handler handler) : handler_(std::move(handler)) {
    if (RealDevicesHidden() || !EnsureGstStarted()) return;
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    GstBus* bus = gst_device_monitor_get_bus(monitor);
    watch_ = gst_bus_add_watch(bus, &Callbacks::OnBusMessage, this);
    gst_object_unref(bus);
    if (!gst_device_monitor_start(monitor)) {
        if (watch_) g_source_remove(watch_);
        watch_ = 0;
        gst_object_unref(monitor);
        return;
    }
    monitor_ = monitor;
}

DeviceArrivalWatch::~DeviceArrivalWatch() {
    if (!monitor_) return;
    auto* monitor = static_cast<GstDeviceMonitor*>(monitor_);
    gst_device_monitor_stop(monitor);
    if (watch_) g_source_remove(watch_);
    gst_object_unref(monitor);
}

}  // namespace media

// Arrival and removal of capture devices while the program runs, as the device-interface
// notifications of the capture category report them: GStreamer's device monitor over video
// sources, its bus watched on the main loop. Nothing is watched while the machine's own
// devices are hidden (QUILLDECK_HIDE_REAL_DEVICES=1): the monitor would probe them.
#pragma once

#include <functional>
#include <string>

namespace media {

enum class DeviceChange { Arrival, Removal };

class DeviceArrivalWatch {
public:
    // `handler` runs on the main loop's thread with the device's display name.
    using Handler = std::function<void(DeviceChange change, const std::string& name)>;
    explicit DeviceArrivalWatch(Handler handler);
    ~DeviceArrivalWatch();
    DeviceArrivalWatch(const DeviceArrivalWatch&) = delete;
    DeviceArrivalWatch& operator=(const DeviceArrivalWatch&) = delete;

    // Whether the monitor runs (false when devices are hidden or the monitor cannot start).
    bool Watching() const { return monitor_ != nullptr; }

private:
    struct Callbacks;
    Handler handler_;
    void* monitor_ = nullptr;  // GstDeviceMonitor
    unsigned watch_ = 0;
};

}  // namespace media

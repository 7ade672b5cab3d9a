#include "platform/media/devices/virtual_devices.h"

#include "platform/media/capture_filters/capture_filters.h"

namespace media {

std::vector<DeviceEntry> VirtualVideoDevices() {
    return {
        {kVirtualTvCardName, u"Quilldeck Virtual TV Card", u"virtual:tv-card", CLSID_QuilldeckVirtualVideoCapture,
         CreateVirtualVideoCaptureFilter},
        {kVirtualDvCamcorderName, u"Quilldeck Virtual DV Camcorder", u"virtual:dv-camcorder",
         CLSID_QuilldeckVirtualDvCapture, CreateVirtualDvCaptureFilter},
    };
}

std::vector<DeviceEntry> VirtualAudioDevices() {
    return {
        {kVirtualTvCardAudioName, u"Quilldeck Virtual TV Card Audio", u"virtual:tv-card-audio",
         CLSID_QuilldeckVirtualAudioCapture, CreateVirtualAudioCaptureFilter},
    };
}

}  // namespace media

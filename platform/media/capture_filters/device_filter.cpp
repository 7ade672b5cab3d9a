// Capture filters on the machine's own devices: the device's source element (v4l2src,
// pulsesrc, pipewiresrc, ...) with a capsfilter that holds the format chosen through
// IAMStreamConfig, exposed as one "Capture" pin. Video devices add IAMVideoProcAmp over the
// element's colour balance (the V4L2 picture controls) and count frames for
// IAMDroppedFrames. Interfaces a device lacks answer E_NOINTERFACE.
#include "platform/media/gst.h"

#include <gst/video/colorbalance.h>

#include <array>
#include <cctype>
#include <memory>
#include <string>

#include "platform/media/capture_filters/capture_filters.h"
#include "platform/media/capture_filters/capture_pin.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/capture_filters/v4l2_crossbar.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/media_caps.h"
#include "platform/media/virtual_card/gate_probe.h"
#include "platform/media/capture_constants.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/tv_hardware.h"

namespace media {
namespace {

constexpr HRESULT kNoCaptureHardware = static_cast<HRESULT>(0x80040276);  // VFW_E_NO_CAPTURE_HARDWARE

// The fixed formats a device offers, as separate caps the platform's media types can carry.
std::vector<GstCaps*> FixedFormats(GstCaps* deviceCaps) {
    std::vector<GstCaps*> formats;
    if (!deviceCaps) return formats;
    GstCaps* normal = gst_caps_normalize(gst_caps_ref(deviceCaps));
    for (guint i = 0; i < gst_caps_get_size(normal); ++i) {
        GstCaps* one = gst_caps_copy_nth(normal, i);
        GstStructure* s = gst_caps_get_structure(one, 0);
        // Ranges become the customary values.
        if (gst_structure_has_field(s, "framerate")) gst_structure_fixate_field_nearest_fraction(s, "framerate", 30, 1);
        if (gst_structure_has_field(s, "rate")) gst_structure_fixate_field_nearest_int(s, "rate", 48000);
        if (gst_structure_has_field(s, "channels")) gst_structure_fixate_field_nearest_int(s, "channels", 2);
        one = gst_caps_fixate(one);
        AM_MEDIA_TYPE type{};
        const bool known = SUCCEEDED(MediaTypeFromCaps(one, &type));
        FreeMediaType(type);
        bool seen = false;
        for (GstCaps* f : formats) seen = seen || gst_caps_is_equal(f, one);
        if (known && !seen) {
            formats.push_back(one);
        } else {
            gst_caps_unref(one);
        }
    }
    gst_caps_unref(normal);
    return formats;
}

std::string Lower(const char* text) {
    std::string out = text ? text : "";
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The colour balance channels that stand for the proc amp properties, by V4L2 control name.
class ColorBalanceProcAmp {
public:
    explicit ColorBalanceProcAmp(GstElement* source) : source_(source) {
        if (!GST_IS_COLOR_BALANCE(source)) return;
        // The device must be open to list its controls; they persist in the driver.
        Opened open(source);
        for (const GList* l = gst_color_balance_list_channels(GST_COLOR_BALANCE(source)); l; l = l->next) {
            auto* channel = GST_COLOR_BALANCE_CHANNEL(l->data);
            const int property = PropertyOf(Lower(channel->label));
            if (property < 0) continue;
            Entry& e = entries_[static_cast<std::size_t>(property)];
            e.label = channel->label;
            e.min = channel->min_value;
            e.max = channel->max_value;
            e.defaultValue = gst_color_balance_get_value(GST_COLOR_BALANCE(source), channel);
        }
    }

    bool Any() const {
        for (const Entry& e : entries_)
            if (!e.label.empty()) return true;
        return false;
    }

    HRESULT GetRange(LONG property, LONG* min, LONG* max, LONG* step, LONG* def, LONG* flags) const {
        const Entry* e = Find(property);
        if (!e) return E_PROP_ID_UNSUPPORTED;
        *min = e->min;
        *max = e->max;
        *step = 1;
        *def = e->defaultValue;
        *flags = VideoProcAmp_Flags_Manual;
        return S_OK;
    }

    HRESULT Set(LONG property, LONG value, LONG flags) {
        const Entry* e = Find(property);
        if (!e) return E_PROP_ID_UNSUPPORTED;
        if (flags != VideoProcAmp_Flags_Manual || value < e->min || value > e->max) return E_INVALIDARG;
        Opened open(source_);
        GstColorBalanceChannel* channel = Channel(*e);
        if (!channel) return E_FAIL;
        gst_color_balance_set_value(GST_COLOR_BALANCE(source_), channel, value);
        return S_OK;
    }

    HRESULT Get(LONG property, LONG* value, LONG* flags) {
        const Entry* e = Find(property);
        if (!e) return E_PROP_ID_UNSUPPORTED;
        Opened open(source_);
        GstColorBalanceChannel* channel = Channel(*e);
        if (!channel) return E_FAIL;
        *value = gst_color_balance_get_value(GST_COLOR_BALANCE(source_), channel);
        *flags = VideoProcAmp_Flags_Manual;
        return S_OK;
    }

private:
    struct Entry {
        std::string label;
        LONG min = 0, max = 0, defaultValue = 0;
    };

    // Opens the device for the scope when it is not open yet.
    struct Opened {
        explicit Opened(GstElement* e) : element(e) {
            GstState state = GST_STATE_NULL;
            gst_element_get_state(e, &state, nullptr, 0);
            opened = state == GST_STATE_NULL && gst_element_set_state(e, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
        }
        ~Opened() {
            if (opened) gst_element_set_state(element, GST_STATE_NULL);
        }
        GstElement* element;
        bool opened = false;
    };

    static int PropertyOf(const std::string& label) {
        static constexpr std::array<const char*, kVideoProcAmpPropertyCount> kNames = {
            "brightness", "contrast", "hue", "saturation", "sharpness", "gamma",
            "color enable", "white balance temperature", "backlight compensation", "gain"};
        for (std::size_t i = 0; i < kNames.size(); ++i)
            if (label == kNames[i]) return static_cast<int>(i);
        return -1;
    }

    const Entry* Find(LONG property) const {
        if (property < 0 || property >= kVideoProcAmpPropertyCount) return nullptr;
        const Entry& e = entries_[static_cast<std::size_t>(property)];
        return e.label.empty() ? nullptr : &e;
    }

    GstColorBalanceChannel* Channel(const Entry& e) const {
        for (const GList* l = gst_color_balance_list_channels(GST_COLOR_BALANCE(source_)); l; l = l->next) {
            auto* channel = GST_COLOR_BALANCE_CHANNEL(l->data);
            if (e.label == channel->label) return channel;
        }
        return nullptr;
    }

    GstElement* source_;
    std::array<Entry, kVideoProcAmpPropertyCount> entries_{};
};

class DeviceCaptureFilter final : public ComExtend<GstFilterBase, IAMVideoProcAmp> {
public:
    DeviceCaptureFilter(GstElement* bin, GstElement* source, GstElement* capsFilter, GstPad* output,
                        std::vector<GstCaps*> formats, bool video, std::u16string name, V4l2Crossbar crossbar)
        : ComExtend(video ? CLSID_QuilldeckVideoDeviceCapture : CLSID_QuilldeckAudioDeviceCapture, std::move(name),
                    bin, &CaptureFilterCounter()),
          bin_(bin) {
        PinSetup capture;
        capture.name = u"Capture";
        capture.category = PIN_CATEGORY_CAPTURE;
        capture.pad = output;
        if (!formats.empty()) {
            SetFilterCaps(capsFilter, gst_caps_ref(formats.front()));
            // The capsfilter holds the chosen format; the device is asked for it when it starts.
            capture.formats = std::make_unique<PinFormats>(std::move(formats), 0, [capsFilter](int, GstCaps* caps) {
                return SetFilterCaps(capsFilter, gst_caps_ref(caps)) ? S_OK : E_FAIL;
            });
        }
        if (video) {
            capture.gate = std::make_shared<FrameGate>();
            AttachFrameGate(output, capture.gate, Numbering::Frames);
            procAmp_ = std::make_unique<ColorBalanceProcAmp>(source);
        }
        AddPin(std::make_unique<CapturePin>(this, std::move(capture)));
        if (crossbar.filter) {
            PinSetup analog;
            analog.name = u"Analog Video In";
            analog.direction = PINDIR_INPUT;
            analog.category = PIN_CATEGORY_ANALOGVIDEOIN;
            analogIn_ = AddPin(std::make_unique<CapturePin>(this, std::move(analog)));
            CapturePin::LinkMedium(crossbar.output, analogIn_);
            crossbar_ = crossbar.filter;
        }
    }

    ~DeviceCaptureFilter() override {
        if (analogIn_) analogIn_->UnlinkMedium();
        gst_element_set_state(bin_, GST_STATE_NULL);
        gst_object_unref(bin_);
    }

    HRESULT GetRange(LONG property, LONG* min, LONG* max, LONG* step, LONG* def, LONG* flags) override {
        if (!min || !max || !step || !def || !flags) return E_POINTER;
        return procAmp_->GetRange(property, min, max, step, def, flags);
    }
    HRESULT Set(LONG property, LONG value, LONG flags) override { return procAmp_->Set(property, value, flags); }
    HRESULT Get(LONG property, LONG* value, LONG* flags) override {
        if (!value || !flags) return E_POINTER;
        return procAmp_->Get(property, value, flags);
    }

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IAMVideoProcAmp && !(procAmp_ && procAmp_->Any())) {
            if (!object) return E_POINTER;
            *object = nullptr;
            return E_NOINTERFACE;
        }
        return ComExtend::QueryInterface(riid, object);
    }

private:
    GstElement* bin_;
    std::unique_ptr<ColorBalanceProcAmp> procAmp_;
    CapturePin* analogIn_ = nullptr;
    ComPtr<IBaseFilter> crossbar_;  // upstream of "Analog Video In"
};

std::u16string DeviceName(GstDevice* device) {
    gchar* name = gst_device_get_display_name(device);
    std::string utf8 = name ? name : "Capture device";
    g_free(name);
    glong length = 0;
    gunichar2* wide = g_utf8_to_utf16(utf8.c_str(), -1, nullptr, &length, nullptr);
    std::u16string out = wide ? std::u16string(reinterpret_cast<const char16_t*>(wide), static_cast<std::size_t>(length))
                              : u"Capture device";
    g_free(wide);
    return out;
}

// The device node of a V4L2 device, empty for others.
std::string V4l2Path(GstDevice* device) {
    std::string path;
    if (GstStructure* props = gst_device_get_properties(device)) {
        for (const char* key : {"api.v4l2.path", "device.path"}) {
            const gchar* value = gst_structure_get_string(props, key);
            if (path.empty() && value && g_str_has_prefix(value, "/dev/video")) path = value;
        }
        gst_structure_free(props);
    }
    return path;
}

}  // namespace

HRESULT CreateDeviceCaptureFilter(GstDevice* device, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!device) return E_POINTER;
    if (!EnsureGstStarted()) return E_FAIL;
    const bool video = gst_device_has_classes(device, "Video/Source") != FALSE;
    GstElement* source = gst_device_create_element(device, "source");
    if (!source) {
        g_warning("The capture device cannot be opened (unplugged or busy?)");
        return kNoCaptureHardware;
    }
    GstElement* bin = gst_bin_new(UniqueElementName(video ? "video-device" : "audio-device").c_str());
    gst_object_ref_sink(bin);
    GstElement* caps = MakeElement("capsfilter", "format");
    if (!AddElements(GST_BIN(bin), {source, caps}) || !gst_element_link(source, caps)) {
        gst_object_unref(bin);
        return E_FAIL;
    }
    GstOwned<GstPad> inner(gst_element_get_static_pad(caps, "src"));
    GstPad* output = ExposeOutput(GST_BIN(bin), inner.get(), "capture");
    GstCaps* deviceCaps = gst_device_get_caps(device);
    std::vector<GstCaps*> formats = FixedFormats(deviceCaps);
    if (deviceCaps) gst_caps_unref(deviceCaps);
    V4l2Crossbar crossbar;
    if (video) {
        const std::string path = V4l2Path(device);
        if (!path.empty()) crossbar = CreateV4l2Crossbar(path);
    }
    ComPtr<DeviceCaptureFilter> filter = MakeComObject<DeviceCaptureFilter>(bin, source, caps, output, std::move(formats),
                                                                            video, DeviceName(device), crossbar);
    if (!filter) {
        gst_object_unref(bin);
        return E_OUTOFMEMORY;
    }
    return filter->QueryInterface(riid, object);
}

}  // namespace media

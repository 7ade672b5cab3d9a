#include <cmath>
#include <cstdio>
#include <mutex>

#include "platform/media/devices/device_catalog.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/filters/renderers.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"

namespace media {

namespace {

// Whether autoaudiosink finds a real output; asked once per process.
bool HasSoundOutput() {
    static std::once_flag once;
    static bool found = false;
    std::call_once(once, [] {
        GstElement* probe = gst_element_factory_make("autoaudiosink", nullptr);
        if (!probe) return;
        gst_object_ref_sink(probe);
        if (gst_element_set_state(probe, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE) {
            found = true;
            GstIterator* it = gst_bin_iterate_elements(GST_BIN(probe));
            GValue item = G_VALUE_INIT;
            while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
                GstElementFactory* f = gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item)));
                if (f && g_str_equal(gst_plugin_feature_get_name(f), "fakesink")) found = false;
                g_value_reset(&item);
            }
            g_value_unset(&item);
            gst_iterator_free(it);
        }
        gst_element_set_state(probe, GST_STATE_NULL);
        gst_object_unref(probe);
        if (!found) std::fprintf(stderr, "quilldeck: no sound output found; audio is discarded\n");
    });
    return found;
}

class AudioRenderer final : public ComExtend<GstFilterBase, IBasicAudio> {
public:
    AudioRenderer(GstElement* bin, GstElement* volume, GstElement* panorama)
        : ComExtend(CLSID_DSoundRender, u"Audio Renderer", bin), volume_(volume), panorama_(panorama) {
        AddPin(gst_element_get_static_pad(bin, "Audio Input pin (rendered)"), u"Audio Input pin (rendered)");
    }

    HRESULT GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, void**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, void*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }

    // Hundredths of a decibel: 0 is full volume, -10000 silence.
    HRESULT put_Volume(LONG volume) override {
        if (volume > 0 || volume < -10000) return E_INVALIDARG;
        const double linear = volume <= -10000 ? 0.0 : std::pow(10.0, volume / 2000.0);
        g_object_set(volume_, "volume", linear, nullptr);
        volumeLevel_ = volume;
        return S_OK;
    }
    HRESULT get_Volume(LONG* volume) override {
        if (!volume) return E_POINTER;
        *volume = volumeLevel_;
        return S_OK;
    }
    HRESULT put_Balance(LONG balance) override {
        if (balance < -10000 || balance > 10000) return E_INVALIDARG;
        g_object_set(panorama_, "panorama", static_cast<gfloat>(balance / 10000.0), nullptr);
        balance_ = balance;
        return S_OK;
    }
    HRESULT get_Balance(LONG* balance) override {
        if (!balance) return E_POINTER;
        *balance = balance_;
        return S_OK;
    }

private:
    GstElement* volume_;
    GstElement* panorama_;
    std::atomic<LONG> volumeLevel_{0};
    std::atomic<LONG> balance_{0};
};

}  // namespace

HRESULT CreateAudioRenderer(IUnknown*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    // With the machine's own devices hidden (tests, demos) the sound output is one of them.
    const bool audible = !RealDevicesHidden() && HasSoundOutput();
    GstElement* sink = audible ? MakeElement("autoaudiosink", nullptr) : MakeElement("fakesink", nullptr);
    if (sink && !audible) g_object_set(sink, "sync", TRUE, "async", FALSE, nullptr);
    GstElement* volume = MakeElement("volume", nullptr);
    GstElement* panorama = MakeElement("audiopanorama", nullptr);
    GstElement* bin = MakeChainBin("Audio Input pin (rendered)", nullptr,
                                   {MakeElement("audioconvert", nullptr), MakeElement("audioresample", nullptr), volume,
                                    panorama, MakeElement("audioconvert", nullptr), sink});
    if (!bin) return E_FAIL;
    return CreateComObject<AudioRenderer>(riid, object, bin, volume, panorama);
}

}  // namespace media

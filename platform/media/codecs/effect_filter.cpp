#include "platform/media/codecs/effect_filter.h"

#include <string>

#include "platform/media/codecs/settings_filter.h"
#include "platform/media/gst_helpers.h"

namespace media::codecs {
namespace {

class EffectFilter final : public SettingsFilter {
public:
    EffectFilter(const EffectInfo& info, GstElement* bin, GstElement* effect, GstElement* output)
        : SettingsFilter(ElementFilterClass(info.factory), info.friendlyName, bin, effect) {
        AddPin(AddGhostPad(bin, effect, info.inputPad, "Input"), u"Input");
        AddPin(AddGhostPad(bin, output, "src", "Output"), u"Output");
    }
};

}  // namespace

HRESULT CreateEffectFilter(const EffectInfo& info, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!EnsureGstStarted()) return E_FAIL;
    GstElement* effect = MakeElement(info.factory, nullptr);
    // The output is plain memory: overlays also offer frames carrying an overlay to compose
    // later, which the rest of the graph does not take.
    GstElement* output = MakeElement("capsfilter", nullptr);
    if (!effect || !output) {
        if (effect) gst_object_unref(gst_object_ref_sink(effect));
        if (output) gst_object_unref(gst_object_ref_sink(output));
        return E_FAIL;
    }
    if (info.initialSettings) {
        const std::string setting = info.initialSettings;
        const std::size_t equals = setting.find('=');
        gst_util_set_object_arg(G_OBJECT(effect), setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str());
    }
    GstCaps* plain = gst_caps_from_string(info.video ? "video/x-raw" : "audio/x-raw");
    g_object_set(output, "caps", plain, nullptr);
    gst_caps_unref(plain);
    GstElement* bin = gst_bin_new(UniqueElementName(info.factory).c_str());
    gst_bin_add_many(GST_BIN(bin), effect, output, nullptr);
    if (!gst_element_link_pads(effect, info.outputPad, output, "sink")) {
        gst_object_unref(gst_object_ref_sink(bin));
        return E_FAIL;
    }
    return CreateComObject<EffectFilter>(riid, object, info, bin, effect, output);
}

}  // namespace media::codecs

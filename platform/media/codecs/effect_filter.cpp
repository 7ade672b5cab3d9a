#include "platform/media/codecs/effect_filter.h"

#include <string>

#include "platform/media/codecs/settings_filter.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/media_caps.h"

namespace media::codecs {
namespace {

// The plain memory an effect's output gives: overlays also offer frames carrying an overlay to
// compose later, which the rest of the graph does not take.
GstCaps* PlainCaps(bool video) { return gst_caps_from_string(video ? "video/x-raw" : "audio/x-raw"); }

class EffectFilter final : public SettingsFilter {
public:
    EffectFilter(const EffectInfo& info, GstElement* bin, GstElement* effect, GstElement* output)
        : SettingsFilter(ElementFilterClass(info.factory), info.friendlyName, bin, effect),
          video_(info.video),
          output_(output) {
        input_ = AddPin(AddGhostPad(bin, effect, info.inputPad, "Input"), u"Input");
        AddPin(AddGhostPad(bin, output, "src", "Output"), u"Output");
    }

    // A video effect keeps its input's pixel format and frame rate (only the size may change,
    // by a rotation), but some offer any format on their output before they know their input;
    // the output is held to the input's so that connecting it settles a format they can give.
    void OnConnectionChanged(CBasePin& pin) override {
        if (!video_ || &pin != input_) return;
        GstCaps* caps = PlainCaps(true);
        AM_MEDIA_TYPE type{};
        if (SUCCEEDED(input_->CopyConnectionType(&type))) {
            if (GstCaps* input = CapsFromMediaType(type)) {
                const GstStructure* from = gst_caps_get_structure(input, 0);
                GstStructure* to = gst_caps_get_structure(caps, 0);
                for (const char* field : {"format", "framerate"}) {
                    if (const GValue* value = gst_structure_get_value(from, field)) gst_structure_set_value(to, field, value);
                }
                gst_caps_unref(input);
            }
            FreeMediaType(type);
        }
        g_object_set(output_, "caps", caps, nullptr);
        gst_caps_unref(caps);
    }

private:
    bool video_;
    GstElement* output_;  // owned by the filter's bin
    CBasePin* input_ = nullptr;
};

}  // namespace

HRESULT CreateEffectFilter(const EffectInfo& info, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!EnsureGstStarted()) return E_FAIL;
    GstElement* effect = MakeElement(info.factory, nullptr);
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
    GstCaps* plain = PlainCaps(info.video);
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

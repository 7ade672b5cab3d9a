#include "platform/media/codecs/effect_filter.h"

#include "platform/media/codecs/settings_filter.h"
#include "platform/media/gst_helpers.h"

namespace media::codecs {
namespace {

class EffectFilter final : public SettingsFilter {
public:
    EffectFilter(const EffectInfo& info, GstElement* bin, GstElement* effect)
        : SettingsFilter(ElementFilterClass(info.factory), info.friendlyName, bin, effect) {
        AddPin(AddGhostPad(bin, effect, info.inputPad, "Input"), u"Input");
        AddPin(AddGhostPad(bin, effect, info.outputPad, "Output"), u"Output");
    }
};

}  // namespace

HRESULT CreateEffectFilter(const EffectInfo& info, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!EnsureGstStarted()) return E_FAIL;
    GstElement* effect = MakeElement(info.factory, nullptr);
    if (!effect) return E_FAIL;
    GstElement* bin = gst_bin_new(UniqueElementName(info.factory).c_str());
    gst_bin_add(GST_BIN(bin), effect);
    return CreateComObject<EffectFilter>(riid, object, info, bin, effect);
}

}  // namespace media::codecs

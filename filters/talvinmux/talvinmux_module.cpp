// The talvinmux.ax module: the splitting AVI multiplexer, its registration and the four exports.
#include "filters/talvinmux/module_objects.h"
#include "filters/talvinmux/talvin_avi_mux.h"
#include "platform/media/base/factory_template.h"

namespace {

const CFactoryTemplate g_Templates[] = {
    {u"Talvin AVI Mux", &CLSID_TalvinAVIMux, CTalvinAviMux::CreateInstance, nullptr, &sudTalvinAviMux},
};

}  // namespace

QD_FILTER_MODULE_EXPORTS(g_Templates, TalvinMuxObjects())

// The metronel.ax module: the adjustable reference clock, its registration and the four
// exports. The clock is a COM server only; it is entered in no filter category.
#include <iterator>

#include "filters/metronel/module_objects.h"
#include "filters/metronel/talvin_clock.h"
#include "platform/media/base/factory_template.h"

namespace {

const CFactoryTemplate g_Templates[] = {
    {u"Talvin Clock", &CLSID_TalvinClock, CTalvinClock::CreateInstance, nullptr, nullptr},
};

}  // namespace

QD_FILTER_MODULE_EXPORTS(g_Templates, MetronelObjects())

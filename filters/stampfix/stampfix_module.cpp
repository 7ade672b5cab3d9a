// The stampfix.ax module: the filter and its property page, their registration and the
// four exports.
#include <iterator>

#include "filters/stampfix/module_objects.h"
#include "filters/stampfix/stampfix_filter.h"
#include "filters/stampfix/stampfix_page.h"
#include "platform/media/base/factory_template.h"

namespace {

const CFactoryTemplate g_Templates[] = {
    {u"Talvin Stampfix", &CLSID_Stampfix, CStampfixFilter::CreateInstance, nullptr, &sudStampfix},
    {u"Talvin Stampfix Property Page", &CLSID_StampfixPropertyPage, CStampfixPropertyPage::CreateInstance, nullptr,
     nullptr},
};

}  // namespace

QD_FILTER_MODULE_EXPORTS(g_Templates, StampfixObjects())

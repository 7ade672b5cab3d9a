// The property page of a filter whose settings are an element's properties: one row per
// settable property (element_settings.h), a label with the property's nick and an edit box
// for numbers and texts, a check box for booleans or a drop-down list of nicks for
// enumerations. Apply checks every row first and changes nothing when one is not a value of
// its property.
#pragma once

#include "platform/media/gst.h"

#include <vector>

#include "platform/media/base/property_page.h"
#include "platform/media/interfaces/element_settings.h"

namespace media::codecs {

// Control ids: the label of row i is kFirstLabelId + i, its control kFirstControlId + i.
inline constexpr int kFirstControlId = 1000;
inline constexpr int kFirstLabelId = 3000;

// The page's dialog for an element.
ui::DialogTemplate BuildSettingsTemplate(GstElement* element);

class ElementSettingsPage final : public CBasePropertyPage {
public:
    ElementSettingsPage();

private:
    HRESULT OnConnect(IUnknown* object) override;
    HRESULT OnDisconnect() override;
    HRESULT OnActivate() override;
    HRESULT OnApplyChanges() override;
    LRESULT OnReceiveMessage(ui::Dialog* dialog, UINT message, WPARAM wParam, LPARAM lParam) override;

    ComPtr<IElementSettings> settings_;
    std::vector<GParamSpec*> specs_;
};

HRESULT CreateElementSettingsPage(IUnknown* outer, REFIID riid, void** object);

}  // namespace media::codecs

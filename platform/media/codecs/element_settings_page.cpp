#include "platform/media/codecs/element_settings_page.h"

#include "platform/com/wide_text.h"
#include "platform/media/codecs/element_settings.h"

namespace media::codecs {
namespace {

constexpr short kRowHeight = 14;
constexpr short kMargin = 7;
constexpr short kLabelWidth = 110;
constexpr short kControlWidth = 120;

std::u16string EnumItems(GParamSpec* spec) {
    std::u16string items;
    GEnumClass* enumClass = G_PARAM_SPEC_ENUM(spec)->enum_class;
    for (guint i = 0; i < enumClass->n_values; ++i) {
        if (!items.empty()) items += u'\n';
        items += Utf8ToWide(enumClass->values[i].value_nick);
    }
    return items;
}

ui::DialogControl ControlFor(GParamSpec* spec, int row) {
    const short y = static_cast<short>(kMargin + row * kRowHeight);
    const short x = kMargin + kLabelWidth + 4;
    const int id = kFirstControlId + row;
    const GType type = G_PARAM_SPEC_VALUE_TYPE(spec);
    if (type == G_TYPE_BOOLEAN)
        return {id, ui::ControlKind::CheckBox, u"", x, y, kControlWidth, 10,
                ui::WS_CHILD | ui::WS_VISIBLE | ui::WS_TABSTOP | ui::BS_AUTOCHECKBOX};
    if (G_TYPE_IS_ENUM(type))
        return {id, ui::ControlKind::ComboBox, EnumItems(spec), x, y, kControlWidth, 80,
                ui::WS_CHILD | ui::WS_VISIBLE | ui::WS_TABSTOP | ui::CBS_DROPDOWNLIST};
    return {id, ui::ControlKind::Edit, u"", x, y, kControlWidth, 12,
            ui::WS_CHILD | ui::WS_VISIBLE | ui::WS_TABSTOP | ui::WS_BORDER | ui::ES_AUTOHSCROLL};
}

}  // namespace

ui::DialogTemplate BuildSettingsTemplate(GstElement* element) {
    ui::DialogTemplate page{};
    page.resourceId = 0;
    page.style = ui::WS_CHILD | ui::DS_SETFONT | ui::DS_CONTROL;
    page.fontFace = u"MS Shell Dlg";
    page.fontPointSize = 9;
    const auto specs = SettableProperties(element);
    for (std::size_t i = 0; i < specs.size(); ++i) {
        const int row = static_cast<int>(i);
        const short y = static_cast<short>(kMargin + row * kRowHeight + 2);
        page.controls.push_back({kFirstLabelId + row, ui::ControlKind::Static, Utf8ToWide(g_param_spec_get_nick(specs[i])),
                                 kMargin, y, kLabelWidth, 8, ui::WS_CHILD | ui::WS_VISIBLE | ui::SS_LEFT});
        page.controls.push_back(ControlFor(specs[i], row));
    }
    page.cx = kMargin * 2 + kLabelWidth + 4 + kControlWidth;
    page.cy = static_cast<short>(kMargin * 2 + static_cast<int>(specs.size()) * kRowHeight);
    return page;
}

ElementSettingsPage::ElementSettingsPage() : CBasePropertyPage(ui::DialogTemplate{}, u"Settings") {}

HRESULT ElementSettingsPage::OnConnect(IUnknown* object) {
    ComPtr<IElementSettings> settings;
    HRESULT hr = object->QueryInterface(IID_PPV_ARGS(settings.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    GstElement* element = settings->GetSettingsElement();
    if (!element) return E_UNEXPECTED;
    hr = SetTemplate(BuildSettingsTemplate(element));
    if (FAILED(hr)) return hr;
    specs_ = SettableProperties(element);
    settings_ = std::move(settings);
    return S_OK;
}

HRESULT ElementSettingsPage::OnDisconnect() {
    settings_ = nullptr;
    specs_.clear();
    return S_OK;
}

HRESULT ElementSettingsPage::OnActivate() {
    if (!settings_) return E_UNEXPECTED;
    GstElement* element = settings_->GetSettingsElement();
    for (std::size_t i = 0; i < specs_.size(); ++i) {
        const int id = kFirstControlId + static_cast<int>(i);
        const std::u16string text = PropertyText(element, specs_[i]);
        if (G_PARAM_SPEC_VALUE_TYPE(specs_[i]) == G_TYPE_BOOLEAN)
            m_Dlg->SetCheckState(id, text == u"1" ? ui::BST_CHECKED : ui::BST_UNCHECKED);
        else
            m_Dlg->SetText(id, text);
    }
    m_bDirty = false;
    return S_OK;
}

HRESULT ElementSettingsPage::OnApplyChanges() {
    if (!settings_ || !m_Dlg) return E_UNEXPECTED;
    std::vector<GValue> values(specs_.size(), GValue G_VALUE_INIT);
    bool valid = true;
    for (std::size_t i = 0; i < specs_.size() && valid; ++i) {
        const int id = kFirstControlId + static_cast<int>(i);
        const std::u16string text = G_PARAM_SPEC_VALUE_TYPE(specs_[i]) == G_TYPE_BOOLEAN
                                        ? (m_Dlg->CheckState(id) == ui::BST_CHECKED ? u"1" : u"0")
                                        : m_Dlg->Text(id);
        valid = ParsePropertyText(specs_[i], text, &values[i]);
    }
    GstElement* element = settings_->GetSettingsElement();
    if (valid) {
        for (std::size_t i = 0; i < specs_.size(); ++i)
            g_object_set_property(G_OBJECT(element), g_param_spec_get_name(specs_[i]), &values[i]);
        settings_->SettingsChanged();
    }
    for (GValue& v : values)
        if (G_IS_VALUE(&v)) g_value_unset(&v);
    return valid ? S_OK : E_INVALIDARG;
}

LRESULT ElementSettingsPage::OnReceiveMessage(ui::Dialog* dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == ui::WM_COMMAND) {
        const int id = ui::LOWORD(wParam);
        const WORD code = ui::HIWORD(wParam);
        const bool ours = id >= kFirstControlId && id < kFirstControlId + static_cast<int>(specs_.size());
        if (ours && (code == ui::EN_CHANGE || code == ui::BN_CLICKED || code == ui::CBN_SELCHANGE)) {
            SetDirty();
            return 1;
        }
    }
    return CBasePropertyPage::OnReceiveMessage(dialog, message, wParam, lParam);
}

HRESULT CreateElementSettingsPage(IUnknown* outer, REFIID riid, void** object) {
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateComObject<ElementSettingsPage>(riid, object);
}

}  // namespace media::codecs

#include "filters/stampfix/stampfix_page.h"

#include <new>
#include <string>

#include "filters/stampfix/module_objects.h"
#include "platform/com/wide_text.h"

namespace {

constexpr int kMaxEditCharacters = 127;

ui::DialogTemplate MakeTemplate() {
    using namespace ui;
    DialogTemplate page{IDD_STAMPFIX_PAGE, DS_SETFONT | DS_CONTROL | ui::WS_CHILD, u"", 152, 51, u"MS UI Gothic", 9, {}};
    page.controls = {
        {IDC_FIXED_TIME_PER_FRAME, ControlKind::CheckBox, u"Time Per Frame", 5, 10, 75, 10, BS_AUTOCHECKBOX | WS_TABSTOP},
        {IDC_TIME_PER_FRAME, ControlKind::Edit, u"", 85, 5, 60, 15, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
        {IDC_STATIC, ControlKind::Static, u"Talvin Stampfix 2.5.6.3 - regular video time stamps", 5, 25, 140, 20,
         SS_LEFT | WS_GROUP},
    };
    return page;
}

bool IsBlank(WCHAR c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

}  // namespace

const ui::DialogTemplate& StampfixPageTemplate() {
    static const ui::DialogTemplate page = MakeTemplate();
    return page;
}

LONGLONG ParseTimePerFrameText(const WCHAR* text) {
    if (!text) return 0;
    while (IsBlank(*text)) ++text;
    bool negative = false;
    if (*text == u'-' || *text == u'+') negative = *text++ == u'-';
    std::uint64_t value = 0;
    for (; *text >= u'0' && *text <= u'9'; ++text) value = value * 10 + static_cast<std::uint64_t>(*text - u'0');
    return static_cast<LONGLONG>(negative ? 0 - value : value);
}

IUnknown* CStampfixPropertyPage::CreateInstance(IUnknown* /*outer*/, HRESULT* hr) {
    auto* page = new (std::nothrow) CStampfixPropertyPage;
    if (hr) *hr = page ? S_OK : E_OUTOFMEMORY;
    return page ? page->GetUnknown() : nullptr;
}

CStampfixPropertyPage::CStampfixPropertyPage() : CBasePropertyPage(StampfixPageTemplate(), u"Talvin Stampfix") {
    TrackWith(&StampfixObjects());
}

HRESULT CStampfixPropertyPage::OnConnect(IUnknown* object) {
    ComPtr<IStampfix> stampfix;
    if (!object || FAILED(object->QueryInterface(IID_PPV_ARGS(stampfix.ReleaseAndGetAddressOf())))) return E_NOINTERFACE;
    m_pStampfix = stampfix;
    m_pStampfix->get_TimePerFrame(&m_rtTimePerFrame, &m_bFixedTimePerFrame);
    m_bActive = false;
    return S_OK;
}

HRESULT CStampfixPropertyPage::OnDisconnect() {
    if (!m_pStampfix) return E_UNEXPECTED;
    m_pStampfix = nullptr;
    return S_OK;
}

HRESULT CStampfixPropertyPage::OnActivate() {
    const std::u16string text = Utf8ToWide(std::to_string(m_rtTimePerFrame));
    ui::SetDlgItemText(m_Dlg, IDC_TIME_PER_FRAME, text.c_str());
    ui::CheckDlgButton(m_Dlg, IDC_FIXED_TIME_PER_FRAME, m_bFixedTimePerFrame ? ui::BST_CHECKED : ui::BST_UNCHECKED);
    m_bActive = true;
    return S_OK;
}

void CStampfixPropertyPage::ReadControls() {
    WCHAR text[kMaxEditCharacters + 1];
    ui::GetDlgItemText(m_Dlg, IDC_TIME_PER_FRAME, text, kMaxEditCharacters + 1);
    m_rtTimePerFrame = ParseTimePerFrameText(text);
    m_bFixedTimePerFrame = ui::IsDlgButtonChecked(m_Dlg, IDC_FIXED_TIME_PER_FRAME) == ui::BST_CHECKED;
}

HRESULT CStampfixPropertyPage::OnDeactivate() {
    m_bActive = false;
    ReadControls();
    return S_OK;
}

// A value the filter refuses (a negative interval) is not applied: the page stays dirty and
// the frame hears the failure.
HRESULT CStampfixPropertyPage::OnApplyChanges() {
    if (m_bActive) ReadControls();
    if (m_pStampfix) {
        const HRESULT hr = m_pStampfix->put_TimePerFrame(m_rtTimePerFrame, m_bFixedTimePerFrame);
        if (FAILED(hr)) return hr;
    }
    m_bDirty = false;
    return S_OK;
}

LRESULT CStampfixPropertyPage::OnReceiveMessage(ui::Dialog* dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == ui::WM_COMMAND) {
        const WORD code = ui::HIWORD(wParam);
        if (code == ui::BN_CLICKED || code == ui::EN_CHANGE) {
            if (m_bActive) SetDirty();
            return 1;
        }
    }
    return CBasePropertyPage::OnReceiveMessage(dialog, message, wParam, lParam);
}

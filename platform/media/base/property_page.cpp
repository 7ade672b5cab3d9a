#include "platform/media/base/property_page.h"

#include "platform/com/wide_text.h"
#include "platform/ui/dialog_host.h"
#include "platform/media/interfaces/property_pages.h"

CBasePropertyPage::CBasePropertyPage(const ui::DialogTemplate& dialogTemplate, std::u16string title)
    : m_Template(dialogTemplate), m_Title(std::move(title)) {}

HRESULT CBasePropertyPage::SetPageSite(IPropertyPageSite* site) {
    if (site && m_pPageSite) return E_UNEXPECTED;
    m_pPageSite = ComPtr<IPropertyPageSite>(site);
    return S_OK;
}

HRESULT CBasePropertyPage::Activate(HWND parent, LPCRECT rect, BOOL /*modal*/) {
    if (m_Dialog) return E_UNEXPECTED;
    m_hwndParent = parent;
    if (rect) m_Rect = *rect;
    m_Dialog = std::make_unique<ui::Dialog>(m_Template, [this](ui::Dialog* dialog, UINT message, WPARAM wParam,
                                                               LPARAM lParam) {
        return OnReceiveMessage(dialog, message, wParam, lParam);
    });
    m_Dlg = m_Dialog.get();
    ui::AttachDialog(m_hwndParent, m_Dlg);
    const HRESULT hr = OnActivate();
    if (FAILED(hr)) {
        ui::DetachDialog(m_hwndParent, m_Dlg);
        m_Dlg = nullptr;
        m_Dialog.reset();
    }
    return hr;
}

HRESULT CBasePropertyPage::Deactivate() {
    if (!m_Dialog) return E_UNEXPECTED;
    const HRESULT hr = OnDeactivate();
    ui::DetachDialog(m_hwndParent, m_Dlg);
    m_Dlg = nullptr;
    m_Dialog.reset();
    return hr;
}

HRESULT CBasePropertyPage::GetPageInfo(PROPPAGEINFO* info) {
    if (!info) return E_POINTER;
    *info = PROPPAGEINFO{};
    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = CoTaskMemDupWide(m_Title);
    if (!info->pszTitle) return E_OUTOFMEMORY;
    const ui::PixelSize size = ui::DialogUnitsToPixels(m_Template, m_Template.cx, m_Template.cy);
    info->size = SIZE{size.cx, size.cy};
    return S_OK;
}

HRESULT CBasePropertyPage::SetObjects(ULONG count, IUnknown** objects) {
    if (count == 1) {
        if (!objects || !objects[0]) return E_POINTER;
        m_bObjectSet = true;
        return OnConnect(objects[0]);
    }
    if (count == 0) {
        m_bObjectSet = false;
        return OnDisconnect();
    }
    return E_UNEXPECTED;
}

HRESULT CBasePropertyPage::Show(UINT cmdShow) {
    if (!m_Dialog) return E_UNEXPECTED;
    if (cmdShow != SW_SHOW && cmdShow != SW_SHOWNORMAL && cmdShow != SW_HIDE) return E_INVALIDARG;
    m_Dialog->SetVisible(cmdShow != SW_HIDE);
    return S_OK;
}

HRESULT CBasePropertyPage::Move(LPCRECT rect) {
    if (!rect) return E_POINTER;
    if (!m_Dialog) return E_UNEXPECTED;
    m_Rect = *rect;
    return S_OK;
}

HRESULT CBasePropertyPage::IsPageDirty() { return m_bDirty ? S_OK : S_FALSE; }

HRESULT CBasePropertyPage::Apply() {
    if (!m_bObjectSet || !m_pPageSite) return E_UNEXPECTED;
    if (!m_bDirty) return S_OK;
    const HRESULT hr = OnApplyChanges();
    if (SUCCEEDED(hr)) m_bDirty = false;
    return hr;
}

// Pages of this kind have no help file and no accelerators.
HRESULT CBasePropertyPage::Help(LPCOLESTR /*helpDir*/) { return E_NOTIMPL; }
HRESULT CBasePropertyPage::TranslateAccelerator(MSG* /*msg*/) { return E_NOTIMPL; }

LRESULT CBasePropertyPage::OnReceiveMessage(ui::Dialog* /*dialog*/, UINT /*message*/, WPARAM /*wParam*/,
                                            LPARAM /*lParam*/) {
    return 0;
}

HRESULT CBasePropertyPage::SetTemplate(const ui::DialogTemplate& dialogTemplate) {
    if (m_Dialog) return E_UNEXPECTED;
    m_Template = dialogTemplate;
    return S_OK;
}

void CBasePropertyPage::SetDirty() {
    m_bDirty = true;
    if (m_pPageSite) m_pPageSite->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

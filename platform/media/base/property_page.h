// CBasePropertyPage: IPropertyPage on a dialog template. Activate makes the dialog and calls
// OnActivate; its messages go to OnReceiveMessage; Apply calls OnApplyChanges when the page
// is dirty. The page site (when set) hears of status changes.
#pragma once

#include <memory>
#include <string>

#include "platform/media/interfaces/property_pages.h"
#include "platform/ui/dialog.h"

class CBasePropertyPage : public ComObject<IPropertyPage> {
public:
    CBasePropertyPage(const ui::DialogTemplate& dialogTemplate, std::u16string title);

    HRESULT SetPageSite(IPropertyPageSite* site) override;
    HRESULT Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    HRESULT Deactivate() override;
    HRESULT GetPageInfo(PROPPAGEINFO* info) override;
    HRESULT SetObjects(ULONG count, IUnknown** objects) override;
    HRESULT Show(UINT cmdShow) override;
    HRESULT Move(LPCRECT rect) override;
    HRESULT IsPageDirty() override;
    HRESULT Apply() override;
    HRESULT Help(LPCOLESTR helpDir) override;
    HRESULT TranslateAccelerator(MSG* msg) override;

    // The dialog while the page is active (what a presenter shows), else null.
    ui::Dialog* GetDialog() const { return m_Dialog.get(); }
    HWND GetParentWindow() const { return m_hwndParent; }
    const RECT& GetRect() const { return m_Rect; }

protected:
    virtual HRESULT OnConnect(IUnknown* /*object*/) { return S_OK; }
    virtual HRESULT OnDisconnect() { return S_OK; }
    virtual HRESULT OnActivate() { return S_OK; }
    virtual HRESULT OnDeactivate() { return S_OK; }
    virtual HRESULT OnApplyChanges() { return S_OK; }
    virtual LRESULT OnReceiveMessage(ui::Dialog* dialog, UINT message, WPARAM wParam, LPARAM lParam);

    void SetDirty();  // marks the page dirty and tells the site
    // Replaces the dialog template, for pages whose controls depend on the object they are
    // given; only while the page is not active.
    HRESULT SetTemplate(const ui::DialogTemplate& dialogTemplate);

    ui::Dialog* m_Dlg = nullptr;  // the active dialog, as handed to the handlers
    ComPtr<IPropertyPageSite> m_pPageSite;
    bool m_bDirty = false;

private:
    ui::DialogTemplate m_Template;
    std::u16string m_Title;
    std::unique_ptr<ui::Dialog> m_Dialog;
    HWND m_hwndParent = nullptr;
    RECT m_Rect{};
    bool m_bObjectSet = false;
};

// Show's commands.
inline constexpr UINT SW_HIDE = 0;
inline constexpr UINT SW_SHOWNORMAL = 1;
inline constexpr UINT SW_SHOW = 5;

// Property pages and the objects that name them.
#pragma once

#include "platform/com/unknown.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/win_types.h"

// pElems comes from CoTaskMemAlloc; the caller frees it.
struct CAUUID {
    ULONG cElems;
    GUID* pElems;
};

struct ISpecifyPropertyPages : IUnknown {
    virtual HRESULT GetPages(CAUUID* pages) = 0;
};
QD_DECLARE_IID(ISpecifyPropertyPages, MakeGuid("b196b28b-bab4-101a-b69c-00aa00341d07"));

// The strings come from CoTaskMemAlloc; the caller frees them.
struct PROPPAGEINFO {
    ULONG cb;
    LPOLESTR pszTitle;
    SIZE size;
    LPOLESTR pszDocString;
    LPOLESTR pszHelpFile;
    DWORD dwHelpContext;
};

// IPropertyPageSite::OnStatusChange flags.
inline constexpr DWORD PROPPAGESTATUS_DIRTY = 0x01;
inline constexpr DWORD PROPPAGESTATUS_VALIDATE = 0x02;
inline constexpr DWORD PROPPAGESTATUS_CLEAN = 0x04;

struct IPropertyPageSite : IUnknown {
    virtual HRESULT OnStatusChange(DWORD flags) = 0;
    virtual HRESULT GetLocaleID(LCID* locale) = 0;
    virtual HRESULT GetPageContainer(IUnknown** container) = 0;
    virtual HRESULT TranslateAccelerator(MSG* msg) = 0;
};
QD_DECLARE_IID(IPropertyPageSite, MakeGuid("b196b28c-bab4-101a-b69c-00aa00341d07"));

struct IPropertyPage : IUnknown {
    virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
    virtual HRESULT Activate(HWND parent, LPCRECT rect, BOOL modal) = 0;
    virtual HRESULT Deactivate() = 0;
    virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
    virtual HRESULT SetObjects(ULONG count, IUnknown** objects) = 0;
    virtual HRESULT Show(UINT cmdShow) = 0;
    virtual HRESULT Move(LPCRECT rect) = 0;
    // S_OK when the page has changes not yet applied, else S_FALSE.
    virtual HRESULT IsPageDirty() = 0;
    virtual HRESULT Apply() = 0;
    virtual HRESULT Help(LPCOLESTR helpDir) = 0;
    virtual HRESULT TranslateAccelerator(MSG* msg) = 0;
};
QD_DECLARE_IID(IPropertyPage, MakeGuid("b196b28d-bab4-101a-b69c-00aa00341d07"));

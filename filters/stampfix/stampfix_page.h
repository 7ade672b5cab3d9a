// CStampfixPropertyPage: the page that shows and edits the filter's frame interval and its
// "fixed" flag (dialog 102, title "Talvin Stampfix").
#pragma once

#include "common/module_interfaces.h"
#include "platform/media/base/property_page.h"

inline constexpr int IDD_STAMPFIX_PAGE = 102;
inline constexpr int IDC_FIXED_TIME_PER_FRAME = 2000;
inline constexpr int IDC_TIME_PER_FRAME = 2001;
inline constexpr int IDS_STAMPFIX_TITLE = 300;

// The dialog template of the page.
const ui::DialogTemplate& StampfixPageTemplate();

// Text to number as the page reads its edit box: leading white space, an optional sign and
// decimal digits up to the first other character; no digits give 0. Digits beyond 64 bits
// wrap around (there is no range check).
LONGLONG ParseTimePerFrameText(const WCHAR* text);

class CStampfixPropertyPage final : public CBasePropertyPage {
public:
    static IUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);
    CStampfixPropertyPage();

protected:
    HRESULT OnConnect(IUnknown* object) override;
    HRESULT OnDisconnect() override;
    HRESULT OnActivate() override;
    HRESULT OnDeactivate() override;
    HRESULT OnApplyChanges() override;
    LRESULT OnReceiveMessage(ui::Dialog* dialog, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ReadControls();

    ComPtr<IStampfix> m_pStampfix;
    bool m_bActive = false;
    BOOL m_bFixedTimePerFrame = FALSE;
    REFERENCE_TIME m_rtTimePerFrame = 333667;
};

// The platform's property frame: a tabbed dialog holding the property pages of some objects.
// The toolkit that shows it is the program's: it installs a presenter at start-up. Without
// one the call fails with E_NOTIMPL.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/com/guid.h"
#include "platform/com/unknown.h"
#include "platform/media/interfaces/win_types.h"

namespace ui {

struct PropertyFrameRequest {
    HWND owner;
    int x;
    int y;
    std::u16string caption;
    std::vector<ComPtr<IUnknown>> objects;
    std::vector<CLSID> pages;
    LCID locale;
};

// Shows the frame and returns once it is closed, with the frame's result.
using PropertyFramePresenter = std::function<HRESULT(const PropertyFrameRequest& request)>;

// Replaces the presenter; an empty function removes it.
void SetPropertyFramePresenter(PropertyFramePresenter presenter);

}  // namespace ui

// Opens the frame with one tab per page class for the given objects. E_POINTER for a missing
// array whose count is not 0, E_INVALIDARG for no objects or no pages, E_NOTIMPL when no
// presenter is installed.
HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                               IUnknown** objects, ULONG pageCount, const CLSID* pageClsids, LCID locale,
                               DWORD reserved, LPVOID reserved2);

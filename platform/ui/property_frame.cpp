#include "platform/ui/property_frame.h"

#include <mutex>

namespace ui {

namespace {

std::mutex& PresenterLock() {
    static std::mutex lock;
    return lock;
}

PropertyFramePresenter& Presenter() {
    static PropertyFramePresenter presenter;
    return presenter;
}

}  // namespace

void SetPropertyFramePresenter(PropertyFramePresenter presenter) {
    std::lock_guard guard(PresenterLock());
    Presenter() = std::move(presenter);
}

}  // namespace ui

HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                               IUnknown** objects, ULONG pageCount, const CLSID* pageClsids, LCID locale,
                               DWORD /*reserved*/, LPVOID /*reserved2*/) {
    if ((objectCount && !objects) || (pageCount && !pageClsids)) return E_POINTER;
    if (objectCount == 0 || pageCount == 0) return E_INVALIDARG;
    ui::PropertyFrameRequest request{owner, static_cast<int>(x), static_cast<int>(y),
                                     caption ? std::u16string(caption) : std::u16string(), {}, {}, locale};
    for (ULONG i = 0; i < objectCount; ++i) {
        if (!objects[i]) return E_POINTER;
        request.objects.push_back(ComPtr<IUnknown>(objects[i]));
    }
    request.pages.assign(pageClsids, pageClsids + pageCount);
    ui::PropertyFramePresenter presenter;
    {
        std::lock_guard guard(ui::PresenterLock());
        presenter = ui::Presenter();
    }
    return presenter ? presenter(request) : E_NOTIMPL;
}

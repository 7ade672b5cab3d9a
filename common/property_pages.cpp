#include "common/property_pages.h"

#include "platform/com/task_memory.h"
#include "platform/media/interfaces/property_pages.h"
#include "platform/ui/property_frame.h"

HRESULT ShowPropertyPages(HWND owner, IUnknown* object, BOOL queryOnly) {
    if (!object) return E_POINTER;
    ComPtr<ISpecifyPropertyPages> specify;
    HRESULT hr = object->QueryInterface(IID_PPV_ARGS(specify.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    CAUUID pages{0, nullptr};
    hr = specify->GetPages(&pages);
    if (SUCCEEDED(hr) && !queryOnly) {
        IUnknown* objects[] = {object};
        hr = OleCreatePropertyFrame(owner, 0, 0, nullptr, 1, objects, pages.cElems, pages.pElems, 0, 0, nullptr);
    }
    CoTaskMemFree(pages.pElems);
    return hr;
}

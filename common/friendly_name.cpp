#include "common/friendly_name.h"

#include "platform/com/property_bag.h"
#include "platform/system/codepage.h"

HRESULT GetFriendlyName(IMoniker* moniker, std::string* name) {
    if (!moniker || !name) return E_POINTER;
    name->clear();
    ComPtr<IPropertyBag> bag;
    HRESULT hr = moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(bag.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;

    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    hr = bag->Read(u"FriendlyName", &value, nullptr);
    if (SUCCEEDED(hr)) {
        *name = WideToAnsi(std::u16string(value.bstrVal, SysStringLen(value.bstrVal)));
        VariantClear(&value);
    }
    return hr;
}

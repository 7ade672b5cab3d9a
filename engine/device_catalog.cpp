#include "engine/device_catalog.h"

#include "platform/com/com_runtime.h"
#include "platform/com/moniker.h"
#include "platform/media/interfaces/device_enum.h"

namespace {
const GUID* const kCategories[CatalogListCount] = {
    &CLSID_VideoInputDeviceCategory, &CLSID_AudioInputDeviceCategory, &CLSID_VideoCompressorCategory,
    &CLSID_AudioCompressorCategory,  &CLSID_LegacyAmFilterCategory,   &DMOCATEGORY_VIDEO_EFFECT,
    &DMOCATEGORY_AUDIO_EFFECT,       &DMOCATEGORY_AUDIO_CAPTURE_EFFECT,
};
}  // namespace

HRESULT DeviceCatalog::Fill() {
    Clear();
    ComPtr<ICreateDevEnum> enumerator;
    const HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_PPV_ARGS(enumerator.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    for (int list = 0; list < CatalogListCount; ++list) {
        ComPtr<IEnumMoniker> monikers;
        // S_FALSE: the category is empty.
        if (enumerator->CreateClassEnumerator(*kCategories[list], monikers.ReleaseAndGetAddressOf(), 0) != S_OK ||
            !monikers)
            continue;
        IMoniker* moniker = nullptr;
        while (monikers->Next(1, &moniker, nullptr) == S_OK) lists_[list].push_back(ComPtr<IMoniker>::Attach(moniker));
    }
    return S_OK;
}

void DeviceCatalog::Clear() {
    for (auto& list : lists_) list.clear();
}

// The bind context: objects held for the duration of a bind, bind options and named
// object parameters. There is no running object table on this platform.
#include <algorithm>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/moniker.h"

namespace {

class BindContext final : public ComObject<IBindCtx> {
public:
    BindContext() { TrackWith(&PlatformObjectCounter()); }

    HRESULT RegisterObjectBound(IUnknown* object) override {
        if (!object) return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        bound_.emplace_back(object);
        return S_OK;
    }

    HRESULT RevokeObjectBound(IUnknown* object) override {
        if (!object) return E_INVALIDARG;
        ComPtr<IUnknown> revoked;  // released once the lock is dropped
        std::lock_guard lock(mutex_);
        auto it = std::find_if(bound_.begin(), bound_.end(), [&](const auto& held) { return held.Get() == object; });
        if (it == bound_.end()) return MK_E_NOTBOUND;
        revoked = std::move(*it);
        bound_.erase(it);
        return S_OK;
    }

    HRESULT ReleaseBoundObjects() override {
        std::vector<ComPtr<IUnknown>> released;
        std::lock_guard lock(mutex_);
        released.swap(bound_);
        return S_OK;
    }

    HRESULT SetBindOptions(BIND_OPTS* options) override {
        if (!options) return E_INVALIDARG;
        if (options->cbStruct < sizeof(BIND_OPTS)) return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        options_ = *options;
        options_.cbStruct = sizeof(BIND_OPTS);
        return S_OK;
    }

    HRESULT GetBindOptions(BIND_OPTS* options) override {
        if (!options) return E_INVALIDARG;
        if (options->cbStruct < sizeof(BIND_OPTS)) return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        *options = options_;
        return S_OK;
    }

    HRESULT GetRunningObjectTable(IRunningObjectTable** table) override {
        if (table) *table = nullptr;
        return E_NOTIMPL;
    }

    HRESULT RegisterObjectParam(LPOLESTR key, IUnknown* object) override {
        if (!key || !object) return E_INVALIDARG;
        ComPtr<IUnknown> replaced;
        std::lock_guard lock(mutex_);
        if (auto* slot = FindParam(key)) {
            replaced = std::exchange(*slot, ComPtr<IUnknown>(object));
        } else {
            params_.emplace_back(key, ComPtr<IUnknown>(object));
        }
        return S_OK;
    }

    HRESULT GetObjectParam(LPOLESTR key, IUnknown** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!key) return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        auto* slot = FindParam(key);
        if (!slot) return E_FAIL;
        *object = ComPtr<IUnknown>(*slot).Detach();
        return S_OK;
    }

    HRESULT EnumObjectParam(IEnumString** keys) override {
        if (keys) *keys = nullptr;
        return E_NOTIMPL;
    }

    HRESULT RevokeObjectParam(LPOLESTR key) override {
        if (!key) return E_INVALIDARG;
        ComPtr<IUnknown> revoked;
        std::lock_guard lock(mutex_);
        auto it = std::find_if(params_.begin(), params_.end(), [&](const auto& p) { return p.first == key; });
        if (it == params_.end()) return S_FALSE;
        revoked = std::move(it->second);
        params_.erase(it);
        return S_OK;
    }

private:
    // Parameter keys are case-sensitive, as on the platform.
    ComPtr<IUnknown>* FindParam(LPCOLESTR key) {
        for (auto& [name, object] : params_)
            if (name == key) return &object;
        return nullptr;
    }

    std::mutex mutex_;
    std::vector<ComPtr<IUnknown>> bound_;
    std::vector<std::pair<std::u16string, ComPtr<IUnknown>>> params_;
    BIND_OPTS options_{sizeof(BIND_OPTS), 0, STGM_READWRITE, 0};
};

}  // namespace

HRESULT CreateBindCtx(DWORD reserved, IBindCtx** bindContext) {
    if (!bindContext) return E_INVALIDARG;
    *bindContext = nullptr;
    if (reserved != 0) return E_INVALIDARG;
    return CreateComObject<BindContext>(IID_IBindCtx, reinterpret_cast<void**>(bindContext));
}

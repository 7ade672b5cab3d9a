#include "platform/com/moniker_base.h"

#include <functional>
#include <utility>

#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"

namespace {

HRESULT NotImplemented(IMoniker** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

}  // namespace

MonikerBase::MonikerBase(const CLSID& classId, std::u16string displayName)
    : classId_(classId), displayName_(std::move(displayName)) {
    TrackWith(&PlatformObjectCounter());
}

HRESULT MonikerBase::GetClassID(CLSID* classId) {
    if (!classId) return E_POINTER;
    *classId = classId_;
    return S_OK;
}

HRESULT MonikerBase::Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker** reduced) { return NotImplemented(reduced); }
HRESULT MonikerBase::ComposeWith(IMoniker*, BOOL, IMoniker** composite) { return NotImplemented(composite); }
HRESULT MonikerBase::Inverse(IMoniker** inverse) { return NotImplemented(inverse); }
HRESULT MonikerBase::CommonPrefixWith(IMoniker*, IMoniker** prefix) { return NotImplemented(prefix); }
HRESULT MonikerBase::RelativePathTo(IMoniker*, IMoniker** path) { return NotImplemented(path); }
HRESULT MonikerBase::ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG* eaten, IMoniker** result) {
    if (eaten) *eaten = 0;
    return NotImplemented(result);
}

HRESULT MonikerBase::Enum(BOOL, IEnumMoniker** monikers) {
    if (monikers) *monikers = nullptr;
    return E_NOTIMPL;
}

HRESULT MonikerBase::IsEqual(IMoniker* other) {
    if (!other) return E_INVALIDARG;
    if (other == static_cast<IMoniker*>(this)) return S_OK;
    CLSID otherClass;
    if (FAILED(other->GetClassID(&otherClass)) || otherClass != classId_) return S_FALSE;
    LPOLESTR otherName = nullptr;
    if (FAILED(other->GetDisplayName(nullptr, nullptr, &otherName)) || !otherName) return S_FALSE;
    const bool equal = WideEqualsIgnoreCase(displayName_, otherName);
    CoTaskMemFree(otherName);
    return equal ? S_OK : S_FALSE;
}

HRESULT MonikerBase::Hash(DWORD* hash) {
    if (!hash) return E_POINTER;
    *hash = static_cast<DWORD>(std::hash<std::string>()(WideCaseFolded(displayName_)));
    return S_OK;
}

HRESULT MonikerBase::GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) {
    if (!name) return E_POINTER;
    *name = CoTaskMemDupWide(displayName_);
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT MonikerBase::IsSystemMoniker(DWORD* kind) {
    if (!kind) return E_POINTER;
    *kind = MKSYS_NONE;
    return S_FALSE;
}

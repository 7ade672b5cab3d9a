// Shared part of the platform's monikers: a display name, IsEqual on class and display name
// (case-insensitive, as the platform compares them), and E_NOTIMPL for the composition,
// reduction and persistence methods nobody uses.
#pragma once

#include <string>

#include "platform/com/moniker.h"

class MonikerBase : public ComObject<IMoniker> {
public:
    MonikerBase(const CLSID& classId, std::u16string displayName);

    const std::u16string& DisplayName() const { return displayName_; }

    HRESULT GetClassID(CLSID* classId) override;
    HRESULT IsDirty() override { return S_FALSE; }
    HRESULT Load(IStream*) override { return E_NOTIMPL; }
    HRESULT Save(IStream*, BOOL) override { return E_NOTIMPL; }
    HRESULT GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }

    HRESULT Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override;
    HRESULT ComposeWith(IMoniker*, BOOL, IMoniker**) override;
    HRESULT Enum(BOOL, IEnumMoniker**) override;
    HRESULT IsEqual(IMoniker* other) override;
    HRESULT Hash(DWORD* hash) override;
    HRESULT IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return E_NOTIMPL; }
    HRESULT GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override { return E_NOTIMPL; }
    HRESULT Inverse(IMoniker**) override;
    HRESULT CommonPrefixWith(IMoniker*, IMoniker**) override;
    HRESULT RelativePathTo(IMoniker*, IMoniker**) override;
    HRESULT GetDisplayName(IBindCtx* bindContext, IMoniker* left, LPOLESTR* name) override;
    HRESULT ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**) override;
    HRESULT IsSystemMoniker(DWORD* kind) override;

private:
    CLSID classId_;
    std::u16string displayName_;
};

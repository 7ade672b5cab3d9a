// Monikers and bind contexts: IMoniker, IBindCtx, CreateBindCtx and MkParseDisplayName.
#pragma once

#include <functional>
#include <string>

#include "platform/com/persist.h"

struct IEnumMoniker;
struct IEnumString;
struct IRunningObjectTable;

struct BIND_OPTS {
    DWORD cbStruct;
    DWORD grfFlags;
    DWORD grfMode;
    DWORD dwTickCountDeadline;
};

struct IBindCtx : IUnknown {
    virtual HRESULT RegisterObjectBound(IUnknown* object) = 0;
    virtual HRESULT RevokeObjectBound(IUnknown* object) = 0;
    virtual HRESULT ReleaseBoundObjects() = 0;
    virtual HRESULT SetBindOptions(BIND_OPTS* options) = 0;
    virtual HRESULT GetBindOptions(BIND_OPTS* options) = 0;
    virtual HRESULT GetRunningObjectTable(IRunningObjectTable** table) = 0;
    virtual HRESULT RegisterObjectParam(LPOLESTR key, IUnknown* object) = 0;
    virtual HRESULT GetObjectParam(LPOLESTR key, IUnknown** object) = 0;
    virtual HRESULT EnumObjectParam(IEnumString** keys) = 0;
    virtual HRESULT RevokeObjectParam(LPOLESTR key) = 0;
};
QD_DECLARE_IID(IBindCtx, MakeGuid("0000000e-0000-0000-c000-000000000046"));
using LPBC = IBindCtx*;

inline constexpr DWORD MKSYS_NONE = 0;
inline constexpr DWORD MKSYS_CLASSMONIKER = 7;

struct IMoniker : IPersistStream {
    virtual HRESULT BindToObject(IBindCtx* bindContext, IMoniker* left, REFIID riid, void** object) = 0;
    virtual HRESULT BindToStorage(IBindCtx* bindContext, IMoniker* left, REFIID riid, void** object) = 0;
    virtual HRESULT Reduce(IBindCtx* bindContext, DWORD howFar, IMoniker** left, IMoniker** reduced) = 0;
    virtual HRESULT ComposeWith(IMoniker* right, BOOL onlyIfNotGeneric, IMoniker** composite) = 0;
    virtual HRESULT Enum(BOOL forward, IEnumMoniker** monikers) = 0;
    // S_OK when both name the same object, else S_FALSE.
    virtual HRESULT IsEqual(IMoniker* other) = 0;
    virtual HRESULT Hash(DWORD* hash) = 0;
    virtual HRESULT IsRunning(IBindCtx* bindContext, IMoniker* left, IMoniker* newlyRunning) = 0;
    virtual HRESULT GetTimeOfLastChange(IBindCtx* bindContext, IMoniker* left, FILETIME* time) = 0;
    virtual HRESULT Inverse(IMoniker** inverse) = 0;
    virtual HRESULT CommonPrefixWith(IMoniker* other, IMoniker** prefix) = 0;
    virtual HRESULT RelativePathTo(IMoniker* other, IMoniker** path) = 0;
    // The name comes from CoTaskMemAlloc; the caller frees it.
    virtual HRESULT GetDisplayName(IBindCtx* bindContext, IMoniker* left, LPOLESTR* name) = 0;
    virtual HRESULT ParseDisplayName(IBindCtx* bindContext, IMoniker* left, LPOLESTR name, ULONG* eaten,
                                     IMoniker** result) = 0;
    virtual HRESULT IsSystemMoniker(DWORD* kind) = 0;
};
QD_DECLARE_IID(IMoniker, MakeGuid("0000000f-0000-0000-c000-000000000046"));
QD_DECLARE_INTERFACE_PARENT(IMoniker, IPersistStream);
using LPMONIKER = IMoniker*;

struct IEnumMoniker : IUnknown {
    virtual HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumMoniker** clone) = 0;
};
QD_DECLARE_IID(IEnumMoniker, MakeGuid("00000102-0000-0000-c000-000000000046"));

// `reserved` must be 0.
HRESULT CreateBindCtx(DWORD reserved, IBindCtx** bindContext);

// Turns a display name into a moniker through the parser registered for its prefix
// ("clsid:" is built in). An unknown prefix, or text the parser leaves over, is MK_E_SYNTAX;
// *eaten says how many characters were understood.
HRESULT MkParseDisplayName(IBindCtx* bindContext, LPCOLESTR name, ULONG* eaten, IMoniker** moniker);

// Parses a display name that starts with the parser's prefix. Sets *eaten to the characters used.
using MonikerParser = std::function<HRESULT(IBindCtx* bindContext, LPCOLESTR name, ULONG* eaten, IMoniker** moniker)>;

// Prefixes compare case-insensitively; the longest registered prefix that matches wins.
// Registering a prefix again replaces its parser.
HRESULT RegisterMonikerParser(const std::u16string& prefix, MonikerParser parser);
void UnregisterMonikerParser(const std::u16string& prefix);

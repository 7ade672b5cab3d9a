// File writing: file sinks and the AVI multiplexer's settings.
#pragma once

#include "platform/com/unknown.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/win_types.h"

// IFileSinkFilter2::SetMode
inline constexpr DWORD AM_FILE_OVERWRITE = 0x00000001;

struct IFileSinkFilter : IUnknown {
    virtual HRESULT SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE* mediaType) = 0;
    // The name comes from CoTaskMemAlloc; the caller frees it (and the type with FreeMediaType).
    virtual HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) = 0;
};
QD_DECLARE_IID(IFileSinkFilter, MakeGuid("a2104830-7c70-11cf-8bce-00aa00a3f1a6"));

struct IFileSinkFilter2 : IFileSinkFilter {
    virtual HRESULT SetMode(DWORD flags) = 0;
    virtual HRESULT GetMode(DWORD* flags) = 0;
};
QD_DECLARE_IID(IFileSinkFilter2, MakeGuid("00855b90-ce1b-11d0-bd4f-00a0c911ce86"));
QD_DECLARE_INTERFACE_PARENT(IFileSinkFilter2, IFileSinkFilter);

struct IConfigAviMux : IUnknown {
    // -1 for no master stream.
    virtual HRESULT SetMasterStream(LONG stream) = 0;
    virtual HRESULT GetMasterStream(LONG* stream) = 0;
    virtual HRESULT SetOutputCompatibilityIndex(BOOL oldIndex) = 0;
    virtual HRESULT GetOutputCompatibilityIndex(BOOL* oldIndex) = 0;
};
QD_DECLARE_IID(IConfigAviMux, MakeGuid("5acd6aa0-f482-11ce-8b67-00aa00a3f1a6"));

enum InterleavingMode : INT {
    INTERLEAVE_NONE = 0,
    INTERLEAVE_CAPTURE = 1,
    INTERLEAVE_FULL = 2,
    INTERLEAVE_NONE_BUFFERED = 3,
};

struct IConfigInterleaving : IUnknown {
    virtual HRESULT put_Mode(InterleavingMode mode) = 0;
    virtual HRESULT get_Mode(InterleavingMode* mode) = 0;
    virtual HRESULT put_Interleaving(const REFERENCE_TIME* interleave, const REFERENCE_TIME* preroll) = 0;
    virtual HRESULT get_Interleaving(REFERENCE_TIME* interleave, REFERENCE_TIME* preroll) = 0;
};
QD_DECLARE_IID(IConfigInterleaving, MakeGuid("bee3d220-157b-11d0-bd23-00a0c911ce86"));

// Byte streams: ISequentialStream and IStream, and the growable memory stream.
#pragma once

#include "platform/com/com_object.h"
#include "platform/com/types.h"
#include "platform/com/unknown.h"

struct ISequentialStream : IUnknown {
    // Reads up to `size` bytes; fewer at the end of the stream, still with S_OK.
    virtual HRESULT Read(void* buffer, ULONG size, ULONG* read) = 0;
    virtual HRESULT Write(const void* buffer, ULONG size, ULONG* written) = 0;
};
QD_DECLARE_IID(ISequentialStream, MakeGuid("0c733a30-2a1c-11ce-ade5-00aa0044773d"));

inline constexpr DWORD STREAM_SEEK_SET = 0;
inline constexpr DWORD STREAM_SEEK_CUR = 1;
inline constexpr DWORD STREAM_SEEK_END = 2;

inline constexpr DWORD STATFLAG_DEFAULT = 0;
inline constexpr DWORD STATFLAG_NONAME = 1;

inline constexpr DWORD STGTY_STREAM = 2;
inline constexpr DWORD LOCK_WRITE = 1;
inline constexpr DWORD STGM_READWRITE = 0x2;

struct STATSTG {
    LPOLESTR pwcsName;  // from CoTaskMemAlloc, or null
    DWORD type;
    ULARGE_INTEGER cbSize;
    FILETIME mtime;
    FILETIME ctime;
    FILETIME atime;
    DWORD grfMode;
    DWORD grfLocksSupported;
    CLSID clsid;
    DWORD grfStateBits;
    DWORD reserved;
};

struct IStream : ISequentialStream {
    virtual HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;
    virtual HRESULT SetSize(ULARGE_INTEGER newSize) = 0;
    virtual HRESULT CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read, ULARGE_INTEGER* written) = 0;
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual HRESULT Revert() = 0;
    virtual HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD lockType) = 0;
    virtual HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD lockType) = 0;
    virtual HRESULT Stat(STATSTG* stat, DWORD statFlag) = 0;
    virtual HRESULT Clone(IStream** clone) = 0;
};
QD_DECLARE_IID(IStream, MakeGuid("0000000c-0000-0000-c000-000000000046"));
QD_DECLARE_INTERFACE_PARENT(IStream, ISequentialStream);
using LPSTREAM = IStream*;

using HGLOBAL = void*;

// A growable stream in memory, starting empty at position 0. Only a null `global` is
// supported (there are no global memory handles on this platform): anything else is
// E_INVALIDARG. The memory always belongs to the stream and goes with its last Release.
HRESULT CreateStreamOnHGlobal(HGLOBAL global, BOOL deleteOnRelease, LPSTREAM* stream);

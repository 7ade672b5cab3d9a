// IPersist and IPersistStream: objects that name their class and keep their state in a stream.
#pragma once

#include "platform/com/com_object.h"
#include "platform/com/stream.h"

struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID* classId) = 0;
};
QD_DECLARE_IID(IPersist, MakeGuid("0000010c-0000-0000-c000-000000000046"));

struct IPersistStream : IPersist {
    // S_OK when there are changes since the last save, else S_FALSE.
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
    virtual HRESULT GetSizeMax(ULARGE_INTEGER* size) = 0;
};
QD_DECLARE_IID(IPersistStream, MakeGuid("00000109-0000-0000-c000-000000000046"));
QD_DECLARE_INTERFACE_PARENT(IPersistStream, IPersist);

// CPersistStream: IPersistStream for filters. The stream starts with the version as text,
// "%011d " in UTF-16 (24 bytes), then the filter's own data. The derived filter writes and
// reads its data and names its size; the dirty flag is set with SetDirty.
#pragma once

#include <atomic>

#include "platform/com/persist.h"

class CPersistStream : public IPersistStream {
public:
    static constexpr ULONG kVersionBytes = 24;

    HRESULT IsDirty() override;
    HRESULT Load(IStream* stream) override;
    HRESULT Save(IStream* stream, BOOL clearDirty) override;
    HRESULT GetSizeMax(ULARGE_INTEGER* size) override;

    // The version read by the last Load (what GetSoftwareVersion wrote, else 0).
    LONG LoadedVersion() const { return m_dwVersion.load(); }

protected:
    CPersistStream() = default;
    ~CPersistStream() = default;

    void SetDirty(bool dirty) { m_fDirty.store(dirty); }
    virtual LONG GetSoftwareVersion() { return 0; }
    virtual HRESULT WriteToStream(IStream* stream) = 0;
    virtual HRESULT ReadFromStream(IStream* stream) = 0;
    // Bytes of the filter's own data (after the version text).
    virtual int SizeMax() = 0;

private:
    std::atomic<bool> m_fDirty{false};
    std::atomic<LONG> m_dwVersion{0};
};

QD_BIND_IID(CPersistStream, IID_IPersistStream);

// Reads exactly `size` bytes; a short stream is STG_E_READFAULT.
HRESULT ReadExactly(IStream* stream, void* buffer, ULONG size);
HRESULT WriteExactly(IStream* stream, const void* buffer, ULONG size);
// Parses the version text of a stream: an optional '-' and decimal digits, ended by NUL, tab,
// line feed, carriage return or space. VFW_E_INVALID_FILE_FORMAT for anything else.
HRESULT ParseVersionText(const WCHAR (&text)[12], LONG* version);

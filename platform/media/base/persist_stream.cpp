#include "platform/media/base/persist_stream.h"

#include <cstdio>
#include <cstring>

HRESULT ReadExactly(IStream* stream, void* buffer, ULONG size) {
    ULONG read = 0;
    const HRESULT hr = stream->Read(buffer, size, &read);
    if (FAILED(hr)) return hr;
    return read == size ? S_OK : STG_E_READFAULT;
}

HRESULT WriteExactly(IStream* stream, const void* buffer, ULONG size) {
    ULONG written = 0;
    const HRESULT hr = stream->Write(buffer, size, &written);
    if (FAILED(hr)) return hr;
    return written == size ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT ParseVersionText(const WCHAR (&text)[12], LONG* version) {
    std::size_t i = 0;
    const bool negative = text[0] == u'-';
    if (negative) ++i;
    // Accumulated as an unsigned value, so eleven digits cannot overflow a signed type.
    std::uint64_t value = 0;
    for (; i < 12; ++i) {
        const WCHAR c = text[i];
        if (c >= u'0' && c <= u'9') {
            value = value * 10 + static_cast<std::uint64_t>(c - u'0');
            continue;
        }
        if (c == 0 || c == u'\t' || c == u'\n' || c == u'\r' || c == u' ') break;
        return VFW_E_INVALID_FILE_FORMAT;
    }
    const auto magnitude = static_cast<std::uint32_t>(value);
    *version = static_cast<LONG>(negative ? 0u - magnitude : magnitude);
    return S_OK;
}

HRESULT CPersistStream::IsDirty() { return m_fDirty.load() ? S_OK : S_FALSE; }

HRESULT CPersistStream::Load(IStream* stream) {
    if (!stream) return E_POINTER;
    WCHAR text[12];
    HRESULT hr = ReadExactly(stream, text, kVersionBytes);
    if (FAILED(hr)) return hr;
    LONG version = 0;
    hr = ParseVersionText(text, &version);
    if (FAILED(hr)) return hr;
    // A stream the filter refuses leaves the version of the last good one.
    const LONG previous = m_dwVersion.exchange(version);
    hr = ReadFromStream(stream);
    if (FAILED(hr)) m_dwVersion.store(previous);
    return hr;
}

HRESULT CPersistStream::Save(IStream* stream, BOOL clearDirty) {
    if (!stream) return E_POINTER;
    char narrow[16];
    std::snprintf(narrow, sizeof narrow, "%011d ", static_cast<int>(GetSoftwareVersion()));
    WCHAR text[12];
    for (std::size_t i = 0; i < 12; ++i) text[i] = static_cast<unsigned char>(narrow[i]);
    HRESULT hr = WriteExactly(stream, text, kVersionBytes);
    if (SUCCEEDED(hr)) hr = WriteToStream(stream);
    if (FAILED(hr)) return hr;
    m_fDirty.store(!clearDirty);
    return S_OK;
}

HRESULT CPersistStream::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    size->QuadPart = kVersionBytes + static_cast<ULONGLONG>(SizeMax());
    return S_OK;
}

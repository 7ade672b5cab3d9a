#include "platform/media/codecs/settings_filter.h"

#include <cstring>

#include "platform/com/task_memory.h"
#include "platform/media/codecs/element_settings.h"

namespace media::codecs {

SettingsFilter::SettingsFilter(REFCLSID clsid, std::u16string name, GstElement* bin, GstElement* settings)
    : ComExtend(clsid, std::move(name), bin), settings_(settings) {}

HRESULT SettingsFilter::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->cElems = 0;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    pages->cElems = 1;
    pages->pElems[0] = CLSID_ElementSettingsPage;
    return S_OK;
}

HRESULT SettingsFilter::GetClassID(CLSID* classId) { return CBaseFilter::GetClassID(classId); }

_GstElement* SettingsFilter::GetSettingsElement() { return settings_; }

std::vector<std::uint8_t> SettingsFilter::SettingsImage() {
    std::lock_guard lock(m_Lock);
    return SaveSettings(settings_);
}

HRESULT SettingsFilter::ApplySettingsImage(std::span<const std::uint8_t> image) {
    std::lock_guard lock(m_Lock);
    const HRESULT hr = LoadSettings(settings_, image);
    if (SUCCEEDED(hr)) SetDirty(true);
    return hr;
}

// The image's length, then the image.
HRESULT SettingsFilter::WriteToStream(IStream* stream) {
    const std::vector<std::uint8_t> image = SettingsImage();
    const auto size = static_cast<std::uint32_t>(image.size());
    HRESULT hr = WriteExactly(stream, &size, sizeof size);
    if (SUCCEEDED(hr)) hr = WriteExactly(stream, image.data(), size);
    return hr;
}

HRESULT SettingsFilter::ReadFromStream(IStream* stream) {
    if (LoadedVersion() != kStreamVersion) return VFW_E_INVALID_FILE_FORMAT;
    std::uint32_t size = 0;
    HRESULT hr = ReadExactly(stream, &size, sizeof size);
    if (FAILED(hr)) return hr;
    if (size > kLargestImage) return VFW_E_INVALID_FILE_FORMAT;
    std::vector<std::uint8_t> image(size);
    hr = ReadExactly(stream, image.data(), size);
    if (FAILED(hr)) return hr;
    hr = ApplySettingsImage(image);
    if (SUCCEEDED(hr)) SetDirty(false);
    return hr;
}

int SettingsFilter::SizeMax() { return static_cast<int>(sizeof(std::uint32_t) + SettingsImage().size()); }

CLSID ElementFilterClass(const char* factory) {
    // A name-based id: the first 16 bytes of the SHA-1 of the factory's name in our namespace,
    // with the version and variant bits of a name-based GUID.
    const std::string name = std::string("quilldeck-element-filter:") + factory;
    GChecksum* sum = g_checksum_new(G_CHECKSUM_SHA1);
    g_checksum_update(sum, reinterpret_cast<const guchar*>(name.data()), static_cast<gssize>(name.size()));
    guint8 digest[20];
    gsize length = sizeof digest;
    g_checksum_get_digest(sum, digest, &length);
    g_checksum_free(sum);
    digest[6] = static_cast<guint8>((digest[6] & 0x0F) | 0x50);
    digest[8] = static_cast<guint8>((digest[8] & 0x3F) | 0x80);
    CLSID id{};
    id.Data1 = (static_cast<DWORD>(digest[0]) << 24) | (static_cast<DWORD>(digest[1]) << 16) |
               (static_cast<DWORD>(digest[2]) << 8) | digest[3];
    id.Data2 = static_cast<WORD>((digest[4] << 8) | digest[5]);
    id.Data3 = static_cast<WORD>((digest[6] << 8) | digest[7]);
    std::memcpy(id.Data4, digest + 8, 8);
    return id;
}

}  // namespace media::codecs

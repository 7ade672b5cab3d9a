// Loads arbitrary bytes as a Stampfix persistence stream: the version text parser and the
// settings reader must never read past the stream or fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "platform/media/base/persist_stream.h"

QD_BIND_IID(CPersistStream, IID_IPersistStream);

namespace {

// A read-only stream over the fuzzer's bytes.
class ByteStream final : public ComObject<IStream> {
public:
    ByteStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
        const std::size_t count = std::min<std::size_t>(size, size_ - position_);
        std::copy_n(data_ + position_, count, static_cast<std::uint8_t*>(buffer));
        position_ += count;
        if (read) *read = static_cast<ULONG>(count);
        return S_OK;
    }
    HRESULT Write(const void*, ULONG, ULONG*) override { return STG_E_INVALIDFUNCTION; }
    HRESULT Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return STG_E_INVALIDFUNCTION; }
    HRESULT SetSize(ULARGE_INTEGER) override { return STG_E_INVALIDFUNCTION; }
    HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return STG_E_INVALIDFUNCTION; }
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT Stat(STATSTG*, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT Clone(IStream**) override { return STG_E_INVALIDFUNCTION; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// The filter's persistence part on its own: the version text, then a flag and an interval.
class Settings final : public ComObject<CPersistStream> {
public:
    BOOL fixed = FALSE;
    REFERENCE_TIME interval = 333667;
    HRESULT GetClassID(CLSID* id) override {
        *id = CLSID{};
        return S_OK;
    }

private:
    HRESULT WriteToStream(IStream*) override { return S_OK; }
    HRESULT ReadFromStream(IStream* stream) override {
        std::uint8_t data[12];
        const HRESULT hr = ReadExactly(stream, data, sizeof data);
        if (FAILED(hr)) return hr;
        fixed = static_cast<BOOL>(data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24);
        std::uint64_t value = 0;
        for (int i = 0; i < 8; ++i) value |= static_cast<std::uint64_t>(data[4 + i]) << (8 * i);
        interval = static_cast<REFERENCE_TIME>(value);
        return S_OK;
    }
    int SizeMax() override { return 12; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto stream = MakeComObject<ByteStream>(data, size);
    auto settings = MakeComObject<Settings>();
    settings->Load(stream.Get());
    return 0;
}

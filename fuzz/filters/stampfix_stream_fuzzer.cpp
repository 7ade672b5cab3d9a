// Loads arbitrary bytes into the Stampfix filter through its IPersistStream. A refused stream
// leaves the settings as they were; an accepted one saves back the same twelve settings bytes
// after the version text (which is always written in its canonical form).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "filters/stampfix/stampfix_filter.h"
#include "platform/com/stream.h"

namespace {

constexpr REFERENCE_TIME kKnownInterval = 400000;
constexpr BOOL kKnownFixed = TRUE;
constexpr std::size_t kStreamBytes = CPersistStream::kVersionBytes + CStampfixFilter::kPersistedBytes;

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

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// What Save writes, read back from a memory stream.
std::size_t SaveInto(IPersistStream* persist, std::uint8_t (&out)[kStreamBytes + 1]) {
    ComPtr<IStream> stream;
    if (CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()) != S_OK) Fail("no memory stream");
    if (persist->Save(stream.Get(), TRUE) != S_OK) Fail("Save failed after a successful Load");
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(out, sizeof out, &read);
    return read;
}

}  // namespace

// Every filter made here leaves a GLib quark behind in the platform library, and GLib drops the
// quark tables it outgrows without freeing them. The leak check is for the filter's own memory.
extern "C" const char* __lsan_default_suppressions() { return "leak:libglib-2.0.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto filter = MakeComObject<CStampfixFilter>();
    if (filter->put_TimePerFrame(kKnownInterval, kKnownFixed) != S_OK)
        Fail("put_TimePerFrame refused a valid interval");
    ComPtr<IPersistStream> persist;
    if (filter->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(persist.ReleaseAndGetAddressOf())) != S_OK)
        Fail("no IPersistStream");

    auto stream = MakeComObject<ByteStream>(data, size);
    const HRESULT hr = persist->Load(stream.Get());

    if (FAILED(hr)) {
        REFERENCE_TIME interval = 0;
        BOOL fixed = FALSE;
        filter->get_TimePerFrame(&interval, &fixed);
        if (interval != kKnownInterval || fixed != kKnownFixed) Fail("a refused Load changed the settings");
        return 0;
    }
    if (size < kStreamBytes) Fail("Load accepted a stream shorter than the version text and settings");

    std::uint8_t saved[kStreamBytes + 1];
    if (SaveInto(persist.Get(), saved) != kStreamBytes) Fail("Save wrote the wrong number of bytes");
    const std::size_t settings = CPersistStream::kVersionBytes;
    if (std::memcmp(saved + settings, data + settings, CStampfixFilter::kPersistedBytes) != 0)
        Fail("the saved settings differ from the loaded ones");
    return 0;
}

#include "common/object_state.h"

#include "platform/com/persist.h"

namespace {

HRESULT Rewind(IStream* stream) {
    LARGE_INTEGER start{};
    return stream->Seek(start, STREAM_SEEK_SET, nullptr);
}

}  // namespace

HRESULT SaveObjectState(IUnknown* object, std::vector<BYTE>* data) {
    if (!data) return E_POINTER;
    data->clear();
    if (!object) return E_POINTER;

    ComPtr<IPersistStream> persist;
    HRESULT hr = object->QueryInterface(IID_PPV_ARGS(persist.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    ComPtr<IStream> stream;
    hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    hr = persist->Save(stream.Get(), TRUE);
    if (FAILED(hr)) return hr;

    STATSTG stat{};
    hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr) || stat.cbSize.QuadPart == 0) return hr;
    if (stat.cbSize.QuadPart > 0xFFFFFFFFu) return E_OUTOFMEMORY;  // a profile blob's length is 32-bit
    hr = Rewind(stream.Get());
    if (FAILED(hr)) return hr;

    std::vector<BYTE> bytes(static_cast<std::size_t>(stat.cbSize.QuadPart));
    ULONG read = 0;
    hr = stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    if (FAILED(hr)) return hr;
    if (read != bytes.size()) return STG_E_READFAULT;
    *data = std::move(bytes);
    return hr;
}

HRESULT LoadObjectState(IUnknown* object, const BYTE* data, DWORD size) {
    if (!object) return E_POINTER;
    if (!data) return S_OK;

    ComPtr<IStream> stream;
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    hr = stream->Write(data, size, nullptr);
    if (FAILED(hr)) return hr;
    hr = Rewind(stream.Get());
    if (FAILED(hr)) return hr;
    ComPtr<IPersistStream> persist;
    hr = object->QueryInterface(IID_PPV_ARGS(persist.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    return persist->Load(stream.Get());
}

#include "platform/media/capture_filters/capture_pin.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/com/wide_text.h"
#include "platform/media/filters/enumerators.h"
#include "platform/media/capture_filters/capture_filter_base.h"

namespace media {
namespace {

struct TypeDeleter {
    void operator()(AM_MEDIA_TYPE* t) const { DeleteMediaType(t); }
};
using OwnedType = std::unique_ptr<AM_MEDIA_TYPE, TypeDeleter>;

LONG Saturated(std::int64_t value) {
    return static_cast<LONG>(std::clamp<std::int64_t>(value, 0, 0x7fffffff));
}

}  // namespace

// Bytes and buffers that left the pad since the stream started.
struct CapturePin::ByteCount {
    std::atomic<std::int64_t> bytes{0};
    std::atomic<std::int64_t> buffers{0};

    static GstPadProbeReturn OnData(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto* self = static_cast<std::shared_ptr<ByteCount>*>(data)->get();
        if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
            self->bytes += static_cast<std::int64_t>(gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info)));
            ++self->buffers;
        } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_STREAM_START) {
            self->bytes = 0;
            self->buffers = 0;
        }
        return GST_PAD_PROBE_OK;
    }
    static void Forget(gpointer data) { delete static_cast<std::shared_ptr<ByteCount>*>(data); }
};

CapturePin::CapturePin(CaptureFilterBase* owner, PinSetup setup)
    : owner_(owner),
      name_(std::move(setup.name)),
      direction_(setup.direction),
      category_(setup.category),
      pad_(setup.pad),
      formats_(std::move(setup.formats)),
      gate_(std::move(setup.gate)) {
    if (gate_ && pad_) {
        delivered_ = std::make_shared<ByteCount>();
        gst_pad_add_probe(pad_, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          ByteCount::OnData, new std::shared_ptr<ByteCount>(delivered_), ByteCount::Forget);
    }
}

CapturePin::~CapturePin() {
    UnlinkMedium();
    FreeMediaType(connectionType_);
}

HRESULT CapturePin::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IPin) {
        *object = static_cast<IPin*>(this);
    } else if (riid == IID_IGstPin && pad_) {
        *object = static_cast<IGstPin*>(this);
    } else if (riid == IID_IKsPropertySet) {
        *object = static_cast<IKsPropertySet*>(this);
    } else if (riid == IID_IAMStreamConfig && formats_) {
        *object = static_cast<IAMStreamConfig*>(this);
    } else if (riid == IID_IAMBufferNegotiation && HasBufferNegotiation()) {
        *object = static_cast<IAMBufferNegotiation*>(this);
    } else if (riid == IID_IAMDroppedFrames && gate_) {
        *object = static_cast<IAMDroppedFrames*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CapturePin::AddRef() { return owner_->AddRef(); }
ULONG CapturePin::Release() { return owner_->Release(); }

// ---- IPin ----

HRESULT CapturePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) {
    if (!receivePin) return E_POINTER;
    if (direction_ != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (!pad_) return VFW_E_NO_ACCEPTABLE_TYPES;
    // The pads are linked by the graph, which settles the type and tells both pins.
    IFilterGraph* graph = owner_->Graph();
    if (!graph) return VFW_E_NOT_IN_GRAPH;
    return graph->ConnectDirect(this, receivePin, mediaType);
}

HRESULT CapturePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) {
    if (!connector || !mediaType) return E_POINTER;
    if (direction_ == PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    return VFW_E_TYPE_NOT_ACCEPTED;  // analogue inputs are wired to the card, never connected by a graph
}

HRESULT CapturePin::Disconnect() {
    std::lock_guard lock(mutex_);
    if (!peer_) return S_FALSE;
    peer_ = nullptr;
    FreeMediaType(connectionType_);
    connectionType_ = {};
    return S_OK;
}

HRESULT CapturePin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (medium_) {
        *pin = medium_;
        medium_->AddRef();
        return S_OK;
    }
    *pin = peer_.Get();
    if (!peer_) return VFW_E_NOT_CONNECTED;
    peer_->AddRef();
    return S_OK;
}

HRESULT CapturePin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (!peer_) {
        *mediaType = {};
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(mediaType, &connectionType_);
}

HRESULT CapturePin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = owner_;
    owner_->AddRef();
    info->dir = direction_;
    const std::size_t n = std::min<std::size_t>(name_.size(), MAX_PIN_NAME - 1);
    std::copy_n(name_.data(), n, info->achName);
    info->achName[n] = 0;
    return S_OK;
}

HRESULT CapturePin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = direction_;
    return S_OK;
}

HRESULT CapturePin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    *id = CoTaskMemDupWide(name_);
    return *id ? S_OK : E_OUTOFMEMORY;
}

HRESULT CapturePin::QueryAccept(const AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    return formats_ && formats_->Find(*mediaType) >= 0 ? S_OK : S_FALSE;
}

HRESULT CapturePin::EnumMediaTypes(IEnumMediaTypes** mediaTypes) {
    if (!mediaTypes) return E_POINTER;
    // The current format first, then the other capabilities.
    std::vector<OwnedType> owned;
    if (formats_) {
        const int current = formats_->CurrentIndex();
        for (int i = -1; i < formats_->Count(); ++i) {
            if (i == current) continue;
            AM_MEDIA_TYPE* t = nullptr;
            if (formats_->Capability(i < 0 ? current : i, &t, nullptr) == S_OK) owned.emplace_back(t);
        }
    }
    std::vector<const AM_MEDIA_TYPE*> types;
    for (const auto& t : owned) types.push_back(t.get());
    return CreateMediaTypeEnumerator(types, mediaTypes);
}

HRESULT CapturePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

HRESULT CapturePin::SetConnection(IPin* peer, const AM_MEDIA_TYPE* type) {
    if ((peer == nullptr) != (type == nullptr)) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    AM_MEDIA_TYPE copy{};
    if (type && FAILED(CopyMediaType(&copy, type))) return E_OUTOFMEMORY;
    FreeMediaType(connectionType_);
    connectionType_ = copy;
    peer_ = ComPtr<IPin>(peer);
    return S_OK;
}

// ---- IKsPropertySet ----

HRESULT CapturePin::Set(REFGUID propertySet, DWORD, LPVOID, DWORD, LPVOID, DWORD) {
    return propertySet == AMPROPSETID_Pin ? E_PROP_ID_UNSUPPORTED : E_PROP_SET_UNSUPPORTED;
}

HRESULT CapturePin::Get(REFGUID propertySet, DWORD propertyId, LPVOID, DWORD, LPVOID propertyData,
                        DWORD propertyDataSize, DWORD* returnedSize) {
    if (propertySet != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (propertyId != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (!propertyData) return E_POINTER;
    if (propertyDataSize < sizeof(GUID)) return E_UNEXPECTED;
    std::memcpy(propertyData, &category_, sizeof(GUID));
    if (returnedSize) *returnedSize = sizeof(GUID);
    return S_OK;
}

HRESULT CapturePin::QuerySupported(REFGUID propertySet, DWORD propertyId, DWORD* typeSupport) {
    if (propertySet != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (propertyId != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (typeSupport) *typeSupport = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

// ---- IAMStreamConfig ----

HRESULT CapturePin::SetFormat(AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    if (!owner_->IsStopped()) return VFW_E_NOT_STOPPED;
    const HRESULT hr = formats_->Apply(*mediaType);
    if (FAILED(hr)) return hr;
    bool connected = false;
    {
        std::lock_guard lock(mutex_);
        connected = static_cast<bool>(peer_);
    }
    // A connected pin asks its graph to connect it again with the new format.
    if (connected && owner_->Graph()) owner_->Graph()->Reconnect(this);
    return S_OK;
}

HRESULT CapturePin::GetFormat(AM_MEDIA_TYPE** mediaType) {
    if (!mediaType) return E_POINTER;
    return formats_->Current(mediaType);
}

HRESULT CapturePin::GetNumberOfCapabilities(int* count, int* size) {
    if (!count || !size) return E_POINTER;
    *count = formats_->Count();
    *size = formats_->CapsSize();
    return S_OK;
}

HRESULT CapturePin::GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* streamConfigCaps) {
    if (!mediaType || !streamConfigCaps) return E_POINTER;
    *mediaType = nullptr;
    if (index < 0) return E_INVALIDARG;
    return formats_->Capability(index, mediaType, streamConfigCaps);
}

// ---- IAMBufferNegotiation ----

HRESULT CapturePin::SuggestAllocatorProperties(const ALLOCATOR_PROPERTIES* properties) {
    if (!properties) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (peer_) return VFW_E_ALREADY_CONNECTED;
    const ALLOCATOR_PROPERTIES& p = *properties;
    if (p.cBuffers < -1 || p.cbBuffer < -1 || p.cbAlign < -1 || p.cbPrefix < -1 || p.cBuffers == 0 ||
        p.cbAlign == 0)
        return E_INVALIDARG;
    suggested_ = p;
    return S_OK;
}

HRESULT CapturePin::GetAllocatorProperties(ALLOCATOR_PROPERTIES* properties) {
    if (!properties) return E_POINTER;
    std::lock_guard lock(mutex_);
    // The suggestion where one was made, else the pin's own choice: a few frames' worth.
    const bool audio = formats_->IsAudio();
    properties->cBuffers = suggested_.cBuffers != -1 ? suggested_.cBuffers : (audio ? 8 : 4);
    properties->cbBuffer = suggested_.cbBuffer != -1 ? suggested_.cbBuffer : FrameBytes();
    properties->cbAlign = suggested_.cbAlign != -1 ? suggested_.cbAlign : 1;
    properties->cbPrefix = suggested_.cbPrefix != -1 ? suggested_.cbPrefix : 0;
    return S_OK;
}

LONG CapturePin::FrameBytes() const {
    AM_MEDIA_TYPE* current = nullptr;
    if (formats_->Current(&current) != S_OK) return 0;
    LONG bytes = static_cast<LONG>(current->lSampleSize);
    if (formats_->IsAudio() && current->cbFormat >= sizeof(WAVEFORMATEX)) {
        WAVEFORMATEX wfx;
        std::memcpy(&wfx, current->pbFormat, sizeof wfx);
        bytes = static_cast<LONG>(wfx.nAvgBytesPerSec / 10);  // 100 ms
    } else if (current->formattype == FORMAT_VideoInfo && current->cbFormat >= sizeof(VIDEOINFOHEADER)) {
        bytes = static_cast<LONG>(reinterpret_cast<const VIDEOINFOHEADER*>(current->pbFormat)->bmiHeader.biSizeImage);
    }
    DeleteMediaType(current);
    return bytes;
}

// ---- IAMDroppedFrames ----

HRESULT CapturePin::GetNumDropped(LONG* dropped) {
    if (!dropped) return E_POINTER;
    *dropped = Saturated(gate_->Counts().dropped);
    return S_OK;
}

HRESULT CapturePin::GetNumNotDropped(LONG* notDropped) {
    if (!notDropped) return E_POINTER;
    *notDropped = Saturated(gate_->Counts().delivered);
    return S_OK;
}

HRESULT CapturePin::GetDroppedInfo(LONG size, LONG* frameNumbers, LONG* copied) {
    if (!frameNumbers || !copied) return E_POINTER;
    if (size <= 0) return E_INVALIDARG;
    const std::vector<std::uint64_t> numbers = gate_->DroppedFrameNumbers();
    // The most recent ones, oldest first.
    const std::size_t n = std::min<std::size_t>(numbers.size(), static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < n; ++i)
        frameNumbers[i] = Saturated(static_cast<std::int64_t>(numbers[numbers.size() - n + i]));
    *copied = static_cast<LONG>(n);
    return S_OK;
}

HRESULT CapturePin::GetAverageFrameSize(LONG* averageSize) {
    if (!averageSize) return E_POINTER;
    const std::int64_t buffers = delivered_ ? delivered_->buffers.load() : 0;
    *averageSize = buffers > 0 ? Saturated(delivered_->bytes.load() / buffers) : 0;
    return S_OK;
}

// ---- mediums ----

void CapturePin::LinkMedium(CapturePin* upstreamOutput, CapturePin* downstreamInput) {
    upstreamOutput->medium_ = downstreamInput;
    downstreamInput->medium_ = upstreamOutput;
}

void CapturePin::UnlinkMedium() {
    if (!medium_) return;
    medium_->medium_ = nullptr;
    medium_ = nullptr;
}

}  // namespace media

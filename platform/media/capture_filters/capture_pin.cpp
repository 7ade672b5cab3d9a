#include "platform/media/capture_filters/capture_pin.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/media/base/base_filter.h"
#include "platform/media/capture_builder/stream_gate.h"
#include "platform/media/filters/media_type_list.h"
#include "platform/media/interfaces/stream_config.h"

namespace media {
namespace {


LONG Saturated(std::int64_t value) {
    return static_cast<LONG>(std::clamp<std::int64_t>(value, 0, 0x7fffffff));
}

}  // namespace

// Bytes and buffers that left the pad since the stream started.
struct CapturePin::ByteCount {
    std::atomic<std::int64_t> bytes{0};
    std::atomic<std::int64_t> buffers{0};

    static GstPadProbeReturn OnData(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
        auto* self = static_cast<std::shared_ptr<ByteCount>*>(data)->get();
        if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
            // A frame held back by stream control is not delivered.
            if (PadStreamHolds(pad, GST_PAD_PROBE_INFO_BUFFER(info))) return GST_PAD_PROBE_OK;
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

ObjectCounter& CaptureFilterCounter() {
    static ObjectCounter counter;
    return counter;
}

CapturePin::CapturePin(CBaseFilter* owner, PinSetup setup)
    : CBasePin(owner, setup.pad ? GST_PAD(gst_object_ref(setup.pad)) : nullptr, std::move(setup.name), &setup.category,
               setup.direction),
      formats_(std::move(setup.formats)),
      gate_(std::move(setup.gate)),
      bufferSize_(std::move(setup.bufferSize)) {
    if (gate_ && setup.pad) {
        delivered_ = std::make_shared<ByteCount>();
        gst_pad_add_probe(setup.pad,
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          ByteCount::OnData, new std::shared_ptr<ByteCount>(delivered_), ByteCount::Forget);
    }
}

CapturePin::~CapturePin() { UnlinkMedium(); }

HRESULT CapturePin::QueryExtraInterface(REFIID riid, void** object) {
    if (riid == IID_IAMStreamConfig && formats_) {
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

HRESULT CapturePin::CheckMediaType(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    return formats_ && formats_->Find(*type) >= 0 ? S_OK : S_FALSE;
}

void CapturePin::CollectMediaTypes(MediaTypeList* types) {
    if (!formats_) return;
    const int current = formats_->CurrentIndex();
    for (int i = -1; i < formats_->Count(); ++i) {
        if (i == current) continue;
        AM_MEDIA_TYPE* type = nullptr;
        if (formats_->Capability(i < 0 ? current : i, &type, nullptr) != S_OK) continue;
        types->Add(*type);
        DeleteMediaType(type);
    }
}

// ---- IAMStreamConfig ----

HRESULT CapturePin::SetFormat(AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    if (!Filter()->IsStopped()) return VFW_E_NOT_STOPPED;
    const HRESULT hr = formats_->Apply(*mediaType);
    if (FAILED(hr)) return hr;
    // A connected pin asks its graph to connect it again with the new format.
    IFilterGraph* graph = Filter()->GetFilterGraph();
    if (IsConnected() && graph) graph->Reconnect(static_cast<IPin*>(this));
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
    if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
    std::lock_guard lock(mutex_);
    const ALLOCATOR_PROPERTIES& p = *properties;
    if (p.cBuffers < -1 || p.cbBuffer < -1 || p.cbAlign < -1 || p.cbPrefix < -1 || p.cBuffers == 0 ||
        p.cbAlign == 0)
        return E_INVALIDARG;
    if (bufferSize_ && !bufferSize_(p.cbBuffer == -1 ? 0 : p.cbBuffer)) return VFW_E_WRONG_STATE;
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
    upstreamOutput->SetFixedPeer(downstreamInput);
    downstreamInput->medium_ = upstreamOutput;
    downstreamInput->SetFixedPeer(upstreamOutput);
}

void CapturePin::UnlinkMedium() {
    if (!medium_) return;
    medium_->medium_ = nullptr;
    medium_->SetFixedPeer(nullptr);
    medium_ = nullptr;
    SetFixedPeer(nullptr);
}

}  // namespace media

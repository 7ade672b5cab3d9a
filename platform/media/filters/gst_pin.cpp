#include "platform/media/filters/gst_pin.h"

#include <cstring>

#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"
#include "platform/media/filters/enumerators.h"
#include "platform/media/filters/gst_filter_base.h"

namespace media {

GstPin::GstPin(GstFilterBase& filter, GstPad* pad, std::u16string name, const GUID* category)
    : filter_(filter),
      pad_(pad),
      name_(std::move(name)),
      direction_(GST_PAD_DIRECTION(pad) == GST_PAD_SRC ? PINDIR_OUTPUT : PINDIR_INPUT) {
    if (category) category_ = *category;
}

GstPin::~GstPin() {
    FreeMediaType(type_);
    gst_object_unref(pad_);
}

HRESULT GstPin::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IPin) {
        *object = static_cast<IPin*>(this);
    } else if (riid == IID_IGstPin) {
        *object = static_cast<IGstPin*>(this);
    } else if (riid == IID_IKsPropertySet && category_) {
        *object = static_cast<IKsPropertySet*>(this);
    } else {
        return QueryExtraInterface(riid, object);
    }
    AddRef();
    return S_OK;
}

ULONG GstPin::AddRef() { return filter_.AddRef(); }
ULONG GstPin::Release() { return filter_.Release(); }

HRESULT GstPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) {
    if (!receivePin) return E_POINTER;
    if (direction_ != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    IFilterGraph* graph = filter_.Graph();
    if (!graph) return VFW_E_NOT_IN_GRAPH;
    return graph->ConnectDirect(this, receivePin, mediaType);
}

HRESULT GstPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) {
    if (!connector || !mediaType) return E_POINTER;
    if (direction_ != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
    IFilterGraph* graph = filter_.Graph();
    if (!graph) return VFW_E_NOT_IN_GRAPH;
    return graph->ConnectDirect(connector, this, mediaType);
}

HRESULT GstPin::Disconnect() {
    IFilterGraph* graph = filter_.Graph();
    if (!graph) return IsConnected() ? VFW_E_NOT_IN_GRAPH : S_FALSE;
    return graph->Disconnect(this);
}

HRESULT GstPin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    std::lock_guard lock(mutex_);
    *pin = peer_.Get();
    if (!*pin) return VFW_E_NOT_CONNECTED;
    (*pin)->AddRef();
    return S_OK;
}

HRESULT GstPin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    *mediaType = AM_MEDIA_TYPE{};
    std::lock_guard lock(mutex_);
    if (!peer_) return VFW_E_NOT_CONNECTED;
    return CopyMediaType(mediaType, &type_);
}

HRESULT GstPin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = &filter_;
    filter_.AddRef();
    info->dir = direction_;
    const std::size_t n = std::min<std::size_t>(name_.size(), MAX_PIN_NAME - 1);
    std::memcpy(info->achName, name_.data(), n * sizeof(WCHAR));
    info->achName[n] = 0;
    return S_OK;
}

HRESULT GstPin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = direction_;
    return S_OK;
}

HRESULT GstPin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    *id = CoTaskMemDupWide(name_);
    return *id ? S_OK : E_OUTOFMEMORY;
}

HRESULT GstPin::QueryAccept(const AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    GstCaps* wanted = CapsForPartialType(*mediaType);
    if (!wanted) return mediaType->majortype == GUID_NULL ? S_OK : S_FALSE;
    GstCaps* caps = PadCaps(pad_);
    const bool accepted = gst_caps_can_intersect(caps, wanted);
    gst_caps_unref(caps);
    gst_caps_unref(wanted);
    return accepted ? S_OK : S_FALSE;
}

void GstPin::CollectMediaTypes(MediaTypeList* types) {
    GstCaps* caps = PadCaps(pad_);
    AppendMediaTypes(caps, types);
    gst_caps_unref(caps);
}

HRESULT GstPin::EnumMediaTypes(IEnumMediaTypes** mediaTypes) {
    if (!mediaTypes) return E_POINTER;
    auto types = std::make_shared<MediaTypeList>();
    CollectMediaTypes(types.get());
    auto enumerator = MakeComObject<MediaTypeEnumerator>(std::move(types));
    if (!enumerator) return E_OUTOFMEMORY;
    *mediaTypes = enumerator.Detach();
    return S_OK;
}

HRESULT GstPin::QueryInternalConnections(IPin** /*pins*/, ULONG* /*pinCount*/) { return E_NOTIMPL; }

// The streaming calls of an input pin reach its pad as the matching events; an output pin
// does not take them.
HRESULT GstPin::EndOfStream() {
    if (direction_ != PINDIR_INPUT) return E_UNEXPECTED;
    return gst_pad_send_event(pad_, gst_event_new_eos()) ? S_OK : E_FAIL;
}

HRESULT GstPin::BeginFlush() {
    if (direction_ != PINDIR_INPUT) return E_UNEXPECTED;
    return gst_pad_send_event(pad_, gst_event_new_flush_start()) ? S_OK : E_FAIL;
}

HRESULT GstPin::EndFlush() {
    if (direction_ != PINDIR_INPUT) return E_UNEXPECTED;
    return gst_pad_send_event(pad_, gst_event_new_flush_stop(TRUE)) ? S_OK : E_FAIL;
}

HRESULT GstPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    if (direction_ != PINDIR_INPUT) return E_UNEXPECTED;
    if (start < 0 || rate == 0) return E_INVALIDARG;
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    segment.rate = rate;
    segment.start = static_cast<guint64>(start) * 100;
    segment.stop = stop > start ? static_cast<guint64>(stop) * 100 : GST_CLOCK_TIME_NONE;
    return gst_pad_send_event(pad_, gst_event_new_segment(&segment)) ? S_OK : E_FAIL;
}

HRESULT GstPin::SetConnection(IPin* peer, const AM_MEDIA_TYPE* type) {
    if ((peer == nullptr) != (type == nullptr)) return E_INVALIDARG;
    {
        std::lock_guard lock(mutex_);
        AM_MEDIA_TYPE copy{};
        if (type && FAILED(CopyMediaType(&copy, type))) return E_OUTOFMEMORY;
        FreeMediaType(type_);
        type_ = copy;
        peer_ = ComPtr<IPin>(peer);
    }
    filter_.OnConnectionChanged(*this);
    return S_OK;
}

bool GstPin::IsConnected() const {
    std::lock_guard lock(mutex_);
    return static_cast<bool>(peer_);
}

HRESULT GstPin::Set(REFGUID propertySet, DWORD /*propertyId*/, LPVOID, DWORD, LPVOID, DWORD) {
    return propertySet == AMPROPSETID_Pin ? E_PROP_ID_UNSUPPORTED : E_PROP_SET_UNSUPPORTED;
}

HRESULT GstPin::Get(REFGUID propertySet, DWORD propertyId, LPVOID, DWORD, LPVOID propertyData, DWORD propertyDataSize,
                    DWORD* returnedSize) {
    if (propertySet != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (propertyId != AMPROPERTY_PIN_CATEGORY || !category_) return E_PROP_ID_UNSUPPORTED;
    if (!propertyData) return E_POINTER;
    if (propertyDataSize < sizeof(GUID)) return E_UNEXPECTED;
    std::memcpy(propertyData, &*category_, sizeof(GUID));
    if (returnedSize) *returnedSize = sizeof(GUID);
    return S_OK;
}

HRESULT GstPin::QuerySupported(REFGUID propertySet, DWORD propertyId, DWORD* typeSupport) {
    if (propertySet != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (propertyId != AMPROPERTY_PIN_CATEGORY || !category_) return E_PROP_ID_UNSUPPORTED;
    if (typeSupport) *typeSupport = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

}  // namespace media

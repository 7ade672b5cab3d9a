#include "platform/media/base/base_pin.h"

#include <algorithm>
#include <vector>

#include "platform/com/wide_text.h"
#include "platform/media/base/base_filter.h"
#include "platform/media/filters/enumerators.h"
#include "platform/media/gst.h"
#include "platform/media/media_caps.h"

namespace {

// A type that names at least a major type; Connect settles the format itself otherwise.
bool NamesAType(const AM_MEDIA_TYPE* type) { return type && type->majortype != GUID{}; }

// The fixed type the two pads can agree on, from their caps.
HRESULT SettleType(GstPad* source, GstPad* sink, AM_MEDIA_TYPE* type) {
    GstCaps* offered = gst_pad_query_caps(source, nullptr);
    GstCaps* accepted = gst_pad_query_caps(sink, nullptr);
    GstCaps* common = gst_caps_intersect(offered, accepted);
    gst_caps_unref(offered);
    gst_caps_unref(accepted);
    HRESULT hr = VFW_E_NO_ACCEPTABLE_TYPES;
    if (!gst_caps_is_empty(common) && !gst_caps_is_any(common)) {
        common = gst_caps_fixate(common);
        hr = media::MediaTypeFromCaps(common, type) == S_OK ? S_OK : VFW_E_NO_ACCEPTABLE_TYPES;
    }
    gst_caps_unref(common);
    return hr;
}

}  // namespace

CBasePin::CBasePin(CBaseFilter* filter, std::recursive_mutex* lock, const WCHAR* name, PIN_DIRECTION direction)
    : m_pFilter(filter), m_pLock(lock), m_Name(name ? name : u""), m_Direction(direction) {}

CBasePin::~CBasePin() {
    if (m_Connected) m_Connected->Release();
    if (m_HasType) FreeMediaType(m_mt);
}

HRESULT CBasePin::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPin) *object = static_cast<IPin*>(this);
    else if (riid == IID_IGstPin) *object = static_cast<IGstPin*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CBasePin::AddRef() { return m_pFilter->AddRef(); }
ULONG CBasePin::Release() { return m_pFilter->Release(); }

GstPad* CBasePin::GetPad() {
    GstElement* element = m_pFilter->GetElement();
    if (!element) return nullptr;
    GstPad* pad = gst_element_get_static_pad(element, m_Direction == PINDIR_INPUT ? "sink" : "src");
    if (pad) gst_object_unref(pad);  // borrowed: the element keeps its pads
    return pad;
}

bool CBasePin::IsConnected() {
    std::lock_guard lock(*m_pLock);
    if (m_Connected) return true;
    GstPad* pad = GetPad();
    return pad && gst_pad_is_linked(pad);
}

HRESULT CBasePin::CopyConnectionType(AM_MEDIA_TYPE* type) {
    std::lock_guard lock(*m_pLock);
    if (!m_HasType) return VFW_E_NOT_CONNECTED;
    return CopyMediaType(type, &m_mt);
}

void CBasePin::SetConnectionType(const AM_MEDIA_TYPE& type) {
    std::lock_guard lock(*m_pLock);
    if (m_HasType) FreeMediaType(m_mt);
    m_HasType = SUCCEEDED(CopyMediaType(&m_mt, &type));
}

HRESULT CBasePin::SetConnection(IPin* peer, const AM_MEDIA_TYPE* type) {
    if ((peer == nullptr) != (type == nullptr)) return E_POINTER;
    std::lock_guard lock(*m_pLock);
    if (m_Connected) m_Connected->Release();
    m_Connected = peer;
    if (peer) peer->AddRef();
    if (m_HasType) FreeMediaType(m_mt);
    m_HasType = type && SUCCEEDED(CopyMediaType(&m_mt, type));
    return S_OK;
}

HRESULT CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) {
    if (!receivePin) return E_POINTER;
    std::lock_guard lock(*m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (!m_pFilter->IsStopped()) return VFW_E_NOT_STOPPED;
    PIN_DIRECTION peerDirection{};
    if (FAILED(receivePin->QueryDirection(&peerDirection)) || peerDirection == m_Direction)
        return VFW_E_INVALID_DIRECTION;
    ComPtr<IGstPin> peer;
    if (FAILED(receivePin->QueryInterface(IID_PPV_ARGS(peer.ReleaseAndGetAddressOf())))) return VFW_E_CANNOT_CONNECT;
    if (NamesAType(mediaType) && (CheckMediaType(mediaType) != S_OK || receivePin->QueryAccept(mediaType) != S_OK))
        return VFW_E_TYPE_NOT_ACCEPTED;

    GstPad* source = m_Direction == PINDIR_OUTPUT ? GetPad() : peer->GetPad();
    GstPad* sink = m_Direction == PINDIR_OUTPUT ? peer->GetPad() : GetPad();
    if (!source || !sink) return VFW_E_CANNOT_CONNECT;
    AM_MEDIA_TYPE settled{};
    HRESULT hr = NamesAType(mediaType) ? CopyMediaType(&settled, mediaType) : SettleType(source, sink, &settled);
    if (FAILED(hr)) return hr;
    if (CheckMediaType(&settled) != S_OK) {
        FreeMediaType(settled);
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    const GstPadLinkReturn linked = gst_pad_link(source, sink);
    if (linked != GST_PAD_LINK_OK) {
        FreeMediaType(settled);
        return linked == GST_PAD_LINK_WRONG_HIERARCHY ? VFW_E_NOT_IN_GRAPH : VFW_E_CANNOT_CONNECT;
    }
    SetConnection(receivePin, &settled);
    peer->SetConnection(this, &settled);
    FreeMediaType(settled);
    return S_OK;
}

HRESULT CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) {
    if (!connector || !mediaType) return E_POINTER;
    std::lock_guard lock(*m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (!m_pFilter->IsStopped()) return VFW_E_NOT_STOPPED;
    PIN_DIRECTION peerDirection{};
    if (FAILED(connector->QueryDirection(&peerDirection)) || peerDirection == m_Direction)
        return VFW_E_INVALID_DIRECTION;
    if (CheckMediaType(mediaType) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    return SetConnection(connector, mediaType);
}

HRESULT CBasePin::Disconnect() {
    std::lock_guard lock(*m_pLock);
    if (!m_pFilter->IsStopped()) return VFW_E_NOT_STOPPED;
    if (!m_Connected) return S_FALSE;
    if (GstPad* pad = GetPad()) {
        if (GstPad* peer = gst_pad_get_peer(pad)) {
            if (m_Direction == PINDIR_OUTPUT) gst_pad_unlink(pad, peer);
            else gst_pad_unlink(peer, pad);
            gst_object_unref(peer);
        }
    }
    return SetConnection(nullptr, nullptr);
}

HRESULT CBasePin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    std::lock_guard lock(*m_pLock);
    *pin = m_Connected;
    if (!m_Connected) return VFW_E_NOT_CONNECTED;
    m_Connected->AddRef();
    return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    std::lock_guard lock(*m_pLock);
    if (!IsConnected() || !m_HasType) {
        *mediaType = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(mediaType, &m_mt);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = m_pFilter;
    m_pFilter->AddRef();
    info->dir = m_Direction;
    const std::size_t length = std::min<std::size_t>(m_Name.size(), MAX_PIN_NAME - 1);
    std::copy_n(m_Name.begin(), length, info->achName);
    info->achName[length] = 0;
    return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = m_Direction;
    return S_OK;
}

HRESULT CBasePin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    *id = CoTaskMemDupWide(m_Name);
    return *id ? S_OK : E_OUTOFMEMORY;
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    return CheckMediaType(mediaType) == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::GetMediaType(int /*position*/, AM_MEDIA_TYPE* /*type*/) { return VFW_S_NO_MORE_ITEMS; }

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** mediaTypes) {
    if (!mediaTypes) return E_POINTER;
    std::vector<AM_MEDIA_TYPE> types;
    for (int i = 0;; ++i) {
        AM_MEDIA_TYPE type{};
        if (GetMediaType(i, &type) != S_OK) break;
        types.push_back(type);
    }
    std::vector<const AM_MEDIA_TYPE*> typePointers;
    for (const auto& type : types) typePointers.push_back(&type);
    const HRESULT hr = media::CreateMediaTypeEnumerator(typePointers, mediaTypes);
    for (auto& type : types) FreeMediaType(type);
    return hr;
}

// Every input feeds every output in the filters built on these classes.
HRESULT CBasePin::QueryInternalConnections(IPin** /*pins*/, ULONG* /*pinCount*/) { return E_NOTIMPL; }

HRESULT CBasePin::PushEvent(GstEvent* event) {
    GstPad* pad = GetPad();
    if (!pad) {
        gst_event_unref(event);
        return E_UNEXPECTED;
    }
    // The event enters the element as if it came from upstream and travels on downstream.
    return gst_pad_send_event(pad, event) ? S_OK : VFW_E_WRONG_STATE;
}

HRESULT CBasePin::EndOfStream() { return PushEvent(gst_event_new_eos()); }
HRESULT CBasePin::BeginFlush() { return PushEvent(gst_event_new_flush_start()); }
HRESULT CBasePin::EndFlush() { return PushEvent(gst_event_new_flush_stop(TRUE)); }

HRESULT CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    if (start < 0 || rate == 0.0) return E_INVALIDARG;
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    segment.start = static_cast<guint64>(start) * 100;
    segment.stop = stop > start ? static_cast<guint64>(stop) * 100 : GST_CLOCK_TIME_NONE;
    segment.rate = rate;
    return PushEvent(gst_event_new_segment(&segment));
}

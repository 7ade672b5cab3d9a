#include "platform/media/base/base_pin.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/com/wide_text.h"
#include "platform/media/base/base_filter.h"
#include "platform/media/filters/enumerators.h"
#include "platform/media/filters/media_type_list.h"
#include "platform/media/gst.h"
#include "platform/media/interfaces/property_set.h"

CBasePin::CBasePin(CBaseFilter* filter, const WCHAR* name, PIN_DIRECTION direction)
    : m_pFilter(filter), m_bFindsPad(true), m_Name(name ? name : u""), m_Direction(direction) {}

CBasePin::CBasePin(CBaseFilter* filter, GstPad* pad, std::u16string name, const GUID* category, PIN_DIRECTION direction)
    : m_pFilter(filter),
      m_pPad(pad),
      m_Name(std::move(name)),
      m_Direction(pad ? (GST_PAD_DIRECTION(pad) == GST_PAD_SRC ? PINDIR_OUTPUT : PINDIR_INPUT) : direction) {
    if (category) m_Category = *category;
}

CBasePin::~CBasePin() {
    FreeMediaType(m_mt);
    if (m_pPad) gst_object_unref(m_pPad);
}

HRESULT CBasePin::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IPin) {
        *object = static_cast<IPin*>(this);
    } else if (riid == IID_IGstPin && GetPad()) {
        *object = static_cast<IGstPin*>(this);
    } else if (riid == IID_IKsPropertySet && m_Category) {
        *object = static_cast<IKsPropertySet*>(this);
    } else {
        return QueryExtraInterface(riid, object);
    }
    AddRef();
    return S_OK;
}

ULONG CBasePin::AddRef() { return m_pFilter->AddRef(); }
ULONG CBasePin::Release() { return m_pFilter->Release(); }

GstPad* CBasePin::GetPad() {
    if (!m_bFindsPad) return m_pPad;
    GstElement* element = m_pFilter->GetElement();
    if (!element) return nullptr;
    GstPad* pad = gst_element_get_static_pad(element, m_Direction == PINDIR_INPUT ? "sink" : "src");
    if (pad) gst_object_unref(pad);  // borrowed: the element keeps its pads
    return pad;
}

// ---- connections --------------------------------------------------------------------------

HRESULT CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) {
    if (!receivePin) return E_POINTER;
    if (m_Direction != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (!GetPad()) return VFW_E_NO_ACCEPTABLE_TYPES;  // a medium pin carries no stream
    IFilterGraph* graph = m_pFilter->GetFilterGraph();
    if (!graph) return VFW_E_NOT_IN_GRAPH;
    return graph->ConnectDirect(this, receivePin, mediaType);
}

HRESULT CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) {
    if (!connector || !mediaType) return E_POINTER;
    if (m_Direction != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
    if (!GetPad()) return VFW_E_TYPE_NOT_ACCEPTED;  // medium inputs are wired to their hardware
    IFilterGraph* graph = m_pFilter->GetFilterGraph();
    if (!graph) return VFW_E_NOT_IN_GRAPH;
    return graph->ConnectDirect(connector, this, mediaType);
}

HRESULT CBasePin::Disconnect() {
    IFilterGraph* graph = m_pFilter->GetFilterGraph();
    if (!graph) return IsConnected() ? VFW_E_NOT_IN_GRAPH : S_FALSE;
    return graph->Disconnect(this);
}

HRESULT CBasePin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    std::lock_guard lock(m_Lock);
    *pin = m_pFixedPeer ? m_pFixedPeer : m_Connected.Get();
    if (!*pin) return VFW_E_NOT_CONNECTED;
    (*pin)->AddRef();
    return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    *mediaType = AM_MEDIA_TYPE{};
    std::lock_guard lock(m_Lock);
    if (!m_Connected || !m_HasType) return VFW_E_NOT_CONNECTED;
    return CopyMediaType(mediaType, &m_mt);
}

HRESULT CBasePin::SetConnection(IPin* peer, const AM_MEDIA_TYPE* type) {
    if ((peer == nullptr) != (type == nullptr)) return E_INVALIDARG;
    {
        std::lock_guard lock(m_Lock);
        AM_MEDIA_TYPE copy{};
        if (type && FAILED(CopyMediaType(&copy, type))) return E_OUTOFMEMORY;
        FreeMediaType(m_mt);
        m_mt = copy;
        m_HasType = type != nullptr;
        m_Connected = ComPtr<IPin>(peer);
    }
    // Outside the pin's lock: the filter may look at its pads and their peers.
    m_pFilter->OnConnectionChanged(*this);
    return S_OK;
}

bool CBasePin::IsConnected() {
    {
        std::lock_guard lock(m_Lock);
        if (m_Connected) return true;
    }
    // A pad linked outside a graph (an own filter's element in a plain pipeline) connects too.
    GstPad* pad = GetPad();
    return pad && gst_pad_is_linked(pad);
}

HRESULT CBasePin::CopyConnectionType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    std::lock_guard lock(m_Lock);
    if (!m_HasType) return VFW_E_NOT_CONNECTED;
    return CopyMediaType(type, &m_mt);
}

void CBasePin::SetConnectionType(const AM_MEDIA_TYPE& type) {
    std::lock_guard lock(m_Lock);
    AM_MEDIA_TYPE copy{};
    if (FAILED(CopyMediaType(&copy, &type))) return;
    FreeMediaType(m_mt);
    m_mt = copy;
    m_HasType = true;
}

void CBasePin::SetFixedPeer(IPin* peer) {
    std::lock_guard lock(m_Lock);
    m_pFixedPeer = peer;
}

// ---- description --------------------------------------------------------------------------

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

HRESULT CBasePin::QueryInternalConnections(IPin** /*pins*/, ULONG* /*pinCount*/) { return E_NOTIMPL; }

// ---- media types --------------------------------------------------------------------------

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    return CheckMediaType(mediaType) == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::CheckMediaType(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    GstPad* pad = GetPad();
    if (!pad) return S_FALSE;
    GstCaps* wanted = media::CapsForPartialType(*type);
    if (!wanted) return type->majortype == GUID_NULL ? S_OK : S_FALSE;
    GstCaps* caps = media::PadCaps(pad);
    const bool accepted = gst_caps_can_intersect(caps, wanted);
    gst_caps_unref(caps);
    gst_caps_unref(wanted);
    return accepted ? S_OK : S_FALSE;
}

HRESULT CBasePin::GetMediaType(int /*position*/, AM_MEDIA_TYPE* /*type*/) { return VFW_S_NO_MORE_ITEMS; }

void CBasePin::CollectMediaTypes(media::MediaTypeList* types) {
    if (m_pPad) {
        GstCaps* caps = media::PadCaps(m_pPad);
        media::AppendMediaTypes(caps, types);
        gst_caps_unref(caps);
        return;
    }
    for (int position = 0;; ++position) {
        AM_MEDIA_TYPE type{};
        if (GetMediaType(position, &type) != S_OK) break;
        types->Add(type);
        FreeMediaType(type);
    }
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** mediaTypes) {
    if (!mediaTypes) return E_POINTER;
    auto types = std::make_shared<media::MediaTypeList>();
    CollectMediaTypes(types.get());
    auto enumerator = MakeComObject<media::MediaTypeEnumerator>(std::move(types));
    if (!enumerator) return E_OUTOFMEMORY;
    *mediaTypes = enumerator.Detach();
    return S_OK;
}

// ---- streaming calls ----------------------------------------------------------------------

HRESULT CBasePin::SendEvent(GstEvent* event) {
    GstPad* pad = m_Direction == PINDIR_INPUT ? GetPad() : nullptr;
    if (!pad) {
        gst_event_unref(event);
        return E_UNEXPECTED;
    }
    // The event enters the element as if it came from upstream and travels on downstream.
    return gst_pad_send_event(pad, event) ? S_OK : VFW_E_WRONG_STATE;
}

HRESULT CBasePin::EndOfStream() { return SendEvent(gst_event_new_eos()); }
HRESULT CBasePin::BeginFlush() { return SendEvent(gst_event_new_flush_start()); }
HRESULT CBasePin::EndFlush() { return SendEvent(gst_event_new_flush_stop(TRUE)); }

HRESULT CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    if (m_Direction != PINDIR_INPUT) return E_UNEXPECTED;
    if (start < 0 || rate == 0.0) return E_INVALIDARG;
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    segment.start = static_cast<guint64>(start) * 100;
    segment.stop = stop > start ? static_cast<guint64>(stop) * 100 : GST_CLOCK_TIME_NONE;
    segment.rate = rate;
    return SendEvent(gst_event_new_segment(&segment));
}

// ---- IKsPropertySet -----------------------------------------------------------------------

HRESULT CBasePin::Set(REFGUID propertySet, DWORD /*propertyId*/, LPVOID, DWORD, LPVOID, DWORD) {
    // The category is read-only.
    return propertySet == AMPROPSETID_Pin ? E_PROP_ID_UNSUPPORTED : E_PROP_SET_UNSUPPORTED;
}

HRESULT CBasePin::Get(REFGUID propertySet, DWORD propertyId, LPVOID, DWORD, LPVOID propertyData,
                      DWORD propertyDataSize, DWORD* returnedSize) {
    if (propertySet != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (propertyId != AMPROPERTY_PIN_CATEGORY || !m_Category) return E_PROP_ID_UNSUPPORTED;
    if (!propertyData) return E_POINTER;
    if (propertyDataSize < sizeof(GUID)) return E_UNEXPECTED;
    std::memcpy(propertyData, &*m_Category, sizeof(GUID));
    if (returnedSize) *returnedSize = sizeof(GUID);
    return S_OK;
}

HRESULT CBasePin::QuerySupported(REFGUID propertySet, DWORD propertyId, DWORD* typeSupport) {
    if (propertySet != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (propertyId != AMPROPERTY_PIN_CATEGORY || !m_Category) return E_PROP_ID_UNSUPPORTED;
    if (typeSupport) *typeSupport = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

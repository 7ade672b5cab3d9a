// CBasePin: the one pin of every filter on the platform (IPin, the private IGstPin and, for a
// pin with a category, IKsPropertySet). A pin has no reference count of its own: it lives as
// long as its filter and counts on it.
//
// A pin stands for one pad of the filter's element. A pin made over a given pad (a ghost pad
// on bins) offers that pad's caps as its media types; a pin made without one (the pins of the
// own filters run by the in-process element) finds the element's "sink" or "src" pad by its
// direction and offers what GetMediaType gives. A pin without any pad (a "medium" pin between
// hardware filters) answers no IGstPin and never streams.
//
// Connections are the filter graph's: Connect, ReceiveConnection and Disconnect forward to the
// graph the filter joined (VFW_E_NOT_IN_GRAPH otherwise), which links the pads and then calls
// SetConnection on both pins. Derived pins add interfaces through QueryExtraInterface and
// decide media types through CheckMediaType, GetMediaType and CollectMediaTypes.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "platform/media/interfaces/gst_filter.h"
#include "platform/media/interfaces/property_set.h"

class CBaseFilter;
namespace media {
class MediaTypeList;
}

class CBasePin : public IPin, public IGstPin, public IKsPropertySet {
public:
    // A pin over the element's own "sink" or "src" pad, found when needed.
    CBasePin(CBaseFilter* filter, const WCHAR* name, PIN_DIRECTION direction);
    // A pin over `pad` (its reference is taken over; null for a medium pin) with an optional
    // category; the direction is the pad's, or `direction` for a medium pin.
    CBasePin(CBaseFilter* filter, _GstPad* pad, std::u16string name, const GUID* category,
             PIN_DIRECTION direction = PINDIR_OUTPUT);
    virtual ~CBasePin();
    CBasePin(const CBasePin&) = delete;
    CBasePin& operator=(const CBasePin&) = delete;

    // IUnknown: the filter's count.
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IPin
    HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mediaType) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryId(LPWSTR* id) override;
    HRESULT QueryAccept(const AM_MEDIA_TYPE* mediaType) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** mediaTypes) override;
    HRESULT QueryInternalConnections(IPin** pins, ULONG* pinCount) override;
    // The streaming calls of an input pin enter its pad as the matching events; an output pin
    // does not take them (E_UNEXPECTED).
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // IGstPin
    _GstPad* GetPad() override;
    HRESULT SetConnection(IPin* peer, const AM_MEDIA_TYPE* type) override;

    // IKsPropertySet: the category, read-only (AMPROPSETID_Pin / AMPROPERTY_PIN_CATEGORY).
    HRESULT Set(REFGUID propertySet, DWORD propertyId, LPVOID instanceData, DWORD instanceDataSize,
                LPVOID propertyData, DWORD propertyDataSize) override;
    HRESULT Get(REFGUID propertySet, DWORD propertyId, LPVOID instanceData, DWORD instanceDataSize,
                LPVOID propertyData, DWORD propertyDataSize, DWORD* returnedSize) override;
    HRESULT QuerySupported(REFGUID propertySet, DWORD propertyId, DWORD* typeSupport) override;

    // The pin's answer for a type (S_OK to accept). By default: whether the pad's caps meet it.
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* type);
    // The types a pin without a pad of its own offers, one by one; VFW_S_NO_MORE_ITEMS after
    // the last. None by default.
    virtual HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type);

    // Connected by a graph, or the pad is linked.
    bool IsConnected();
    // A copy of the type the pin carries (VFW_E_NOT_CONNECTED when it has none).
    HRESULT CopyConnectionType(AM_MEDIA_TYPE* type);
    // Records the type the pin's pad carries now (from the element's caps), keeping the peer.
    void SetConnectionType(const AM_MEDIA_TYPE& type);

    const std::u16string& Name() const { return m_Name; }
    PIN_DIRECTION Direction() const { return m_Direction; }
    const std::optional<GUID>& Category() const { return m_Category; }
    CBaseFilter* Filter() const { return m_pFilter; }

protected:
    virtual HRESULT QueryExtraInterface(REFIID /*riid*/, void** /*object*/) { return E_NOINTERFACE; }
    // The types EnumMediaTypes offers, most preferred first: the pad's types for a pin made
    // over a pad, else those GetMediaType gives.
    virtual void CollectMediaTypes(media::MediaTypeList* types);
    // The pin answers ConnectedTo with `peer` besides graph connections (a medium link);
    // null ends it.
    void SetFixedPeer(IPin* peer);

private:
    // Sends a serialised event into the element through the input pin's pad.
    HRESULT SendEvent(struct _GstEvent* event);

    CBaseFilter* m_pFilter;
    _GstPad* m_pPad = nullptr;  // owned; null for pins found by direction and for medium pins
    bool m_bFindsPad = false;   // the pad is the element's "sink"/"src", looked up when needed
    std::u16string m_Name;
    PIN_DIRECTION m_Direction;
    std::optional<GUID> m_Category;

    mutable std::mutex m_Lock;
    ComPtr<IPin> m_Connected;
    IPin* m_pFixedPeer = nullptr;  // not counted: the filters keep each other alive
    AM_MEDIA_TYPE m_mt{};
    bool m_HasType = false;
};

class CBaseInputPin : public CBasePin {
public:
    CBaseInputPin(CBaseFilter* filter, const WCHAR* name) : CBasePin(filter, name, PINDIR_INPUT) {}
};

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(CBaseFilter* filter, const WCHAR* name) : CBasePin(filter, name, PINDIR_OUTPUT) {}
};

// CBasePin: IPin and the private IGstPin over one pad of the filter's element. A pin has
// no reference count of its own: it lives as long as its filter and counts on it.
// CBaseInputPin and CBaseOutputPin fix the direction; the filter decides the media types.
#pragma once

#include <mutex>
#include <string>

#include "platform/media/interfaces/gst_filter.h"

class CBaseFilter;

class CBasePin : public IPin, public IGstPin {
public:
    CBasePin(CBaseFilter* filter, std::recursive_mutex* lock, const WCHAR* name, PIN_DIRECTION direction);
    virtual ~CBasePin();
    CBasePin(const CBasePin&) = delete;
    CBasePin& operator=(const CBasePin&) = delete;

    // IUnknown: the filter's count; IPin and IGstPin from the pin itself.
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
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // IGstPin
    _GstPad* GetPad() override;
    HRESULT SetConnection(IPin* peer, const AM_MEDIA_TYPE* type) override;

    // The filter's answer for a type on this pin (S_OK to accept).
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) = 0;
    // The types this pin offers, one by one; VFW_S_NO_MORE_ITEMS after the last.
    virtual HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type);

    bool IsConnected();
    // A copy of the connection type into *type (E_UNEXPECTED-free: VFW_E_NOT_CONNECTED when none).
    HRESULT CopyConnectionType(AM_MEDIA_TYPE* type);
    const std::u16string& Name() const { return m_Name; }
    PIN_DIRECTION Direction() const { return m_Direction; }
    // Records the type the pin's pad carries now (from the element's caps), keeping the peer.
    void SetConnectionType(const AM_MEDIA_TYPE& type);

protected:
    // Pushes a serialised event out of the element through this pin's pad.
    HRESULT PushEvent(struct _GstEvent* event);

    CBaseFilter* m_pFilter;
    std::recursive_mutex* m_pLock;
    std::u16string m_Name;
    PIN_DIRECTION m_Direction;
    IPin* m_Connected = nullptr;  // counted
    AM_MEDIA_TYPE m_mt{};
    bool m_HasType = false;
};

class CBaseInputPin : public CBasePin {
public:
    CBaseInputPin(CBaseFilter* filter, std::recursive_mutex* lock, const WCHAR* name)
        : CBasePin(filter, lock, name, PINDIR_INPUT) {}
};

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(CBaseFilter* filter, std::recursive_mutex* lock, const WCHAR* name)
        : CBasePin(filter, lock, name, PINDIR_OUTPUT) {}
    // Upstream-only calls on an output pin.
    HRESULT EndOfStream() override { return E_UNEXPECTED; }
    HRESULT BeginFlush() override { return E_UNEXPECTED; }
    HRESULT EndFlush() override { return E_UNEXPECTED; }
};

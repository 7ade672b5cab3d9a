// GstPin: a pin (IPin + IGstPin) over one pad of a filter's element. Its reference count is
// the filter's, so a held pin keeps its filter alive and the filter owns its pins. A pin with
// a category also answers IKsPropertySet (AMPROPSETID_Pin / AMPROPERTY_PIN_CATEGORY).
//
// Connections are made by the filter graph: IPin::Connect, ReceiveConnection and Disconnect
// forward to the graph the filter is in (VFW_E_NOT_IN_GRAPH otherwise), which links the pads
// and then calls SetConnection on both pins.
//
// Derived pins add interfaces through QueryExtraInterface and may offer their own media types
// through CollectMediaTypes (the default lists the pad's caps).
#pragma once

#include "platform/media/gst.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/media/filters/media_type_list.h"
#include "platform/media/interfaces/capture.h"
#include "platform/media/interfaces/gst_filter.h"

namespace media {

class GstFilterBase;

class GstPin : public IPin, public IGstPin, public IKsPropertySet {
public:
    // `pad` belongs to the filter's element (a ghost pad on bins); the pin keeps a reference.
    GstPin(GstFilterBase& filter, GstPad* pad, std::u16string name, const GUID* category);
    virtual ~GstPin();
    GstPin(const GstPin&) = delete;
    GstPin& operator=(const GstPin&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

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

    _GstPad* GetPad() override { return pad_; }
    HRESULT SetConnection(IPin* peer, const AM_MEDIA_TYPE* type) override;

    HRESULT Set(REFGUID propertySet, DWORD propertyId, LPVOID instanceData, DWORD instanceDataSize,
                LPVOID propertyData, DWORD propertyDataSize) override;
    HRESULT Get(REFGUID propertySet, DWORD propertyId, LPVOID instanceData, DWORD instanceDataSize,
                LPVOID propertyData, DWORD propertyDataSize, DWORD* returnedSize) override;
    HRESULT QuerySupported(REFGUID propertySet, DWORD propertyId, DWORD* typeSupport) override;

    PIN_DIRECTION Direction() const { return direction_; }
    const std::u16string& Name() const { return name_; }
    const std::optional<GUID>& Category() const { return category_; }
    bool IsConnected() const;
    GstFilterBase& Filter() const { return filter_; }

protected:
    virtual HRESULT QueryExtraInterface(REFIID /*riid*/, void** /*object*/) { return E_NOINTERFACE; }
    // The types EnumMediaTypes offers, most preferred first.
    virtual void CollectMediaTypes(MediaTypeList* types);

private:
    GstFilterBase& filter_;
    GstPad* pad_;
    std::u16string name_;
    PIN_DIRECTION direction_;
    std::optional<GUID> category_;

    mutable std::mutex mutex_;
    ComPtr<IPin> peer_;
    AM_MEDIA_TYPE type_{};
};

}  // namespace media

// A pin of a capture or hardware filter. Its reference count is its filter's, so a pin
// keeps its filter alive and dies with it. What it answers depends on what the filter gave
// it: IGstPin when it has a pad, IAMStreamConfig when it has formats, IAMDroppedFrames when
// it has a frame gate, IAMBufferNegotiation on output pins with formats. Every pin tells
// its category through IKsPropertySet (AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY).
//
// Pins between a capture filter and the card's hardware filters (analogue video and audio
// "mediums") are wired for good when the card's filters are made: ConnectedTo answers the
// peer, so searches upstream of the capture filter find the crossbars, tuner and TV audio.
#pragma once

#include "platform/media/gst.h"

#include <memory>
#include <mutex>
#include <string>

#include "platform/media/capture_filters/pin_formats.h"
#include "platform/media/interfaces/capture.h"
#include "platform/media/interfaces/gst_filter.h"
#include "platform/media/virtual_card/frame_gate.h"

namespace media {

class CaptureFilterBase;

struct PinSetup {
    std::u16string name;
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    GUID category{};
    GstPad* pad = nullptr;                  // borrowed; null for a medium pin
    std::unique_ptr<PinFormats> formats;    // null: no IAMStreamConfig
    std::shared_ptr<FrameGate> gate;        // null: no IAMDroppedFrames
};

inline constexpr HRESULT E_PROP_SET_UNSUPPORTED = HRESULT_FROM_WIN32(1168);  // ERROR_NOT_FOUND
inline constexpr HRESULT E_PROP_ID_UNSUPPORTED = HRESULT_FROM_WIN32(1170);   // ERROR_SET_NOT_FOUND

class CapturePin final : public IPin,
                         public IGstPin,
                         public IKsPropertySet,
                         public IAMStreamConfig,
                         public IAMBufferNegotiation,
                         public IAMDroppedFrames {
public:
    CapturePin(CaptureFilterBase* owner, PinSetup setup);
    ~CapturePin();
    CapturePin(const CapturePin&) = delete;
    CapturePin& operator=(const CapturePin&) = delete;

    // IUnknown, counted on the filter.
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
    HRESULT EndOfStream() override { return E_UNEXPECTED; }
    HRESULT BeginFlush() override { return E_UNEXPECTED; }
    HRESULT EndFlush() override { return E_UNEXPECTED; }
    HRESULT NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    // IGstPin
    _GstPad* GetPad() override { return pad_; }
    HRESULT SetConnection(IPin* peer, const AM_MEDIA_TYPE* type) override;

    // IKsPropertySet
    HRESULT Set(REFGUID propertySet, DWORD propertyId, LPVOID instanceData, DWORD instanceDataSize,
                LPVOID propertyData, DWORD propertyDataSize) override;
    HRESULT Get(REFGUID propertySet, DWORD propertyId, LPVOID instanceData, DWORD instanceDataSize,
                LPVOID propertyData, DWORD propertyDataSize, DWORD* returnedSize) override;
    HRESULT QuerySupported(REFGUID propertySet, DWORD propertyId, DWORD* typeSupport) override;

    // IAMStreamConfig
    HRESULT SetFormat(AM_MEDIA_TYPE* mediaType) override;
    HRESULT GetFormat(AM_MEDIA_TYPE** mediaType) override;
    HRESULT GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* streamConfigCaps) override;

    // IAMBufferNegotiation
    HRESULT SuggestAllocatorProperties(const ALLOCATOR_PROPERTIES* properties) override;
    HRESULT GetAllocatorProperties(ALLOCATOR_PROPERTIES* properties) override;

    // IAMDroppedFrames
    HRESULT GetNumDropped(LONG* dropped) override;
    HRESULT GetNumNotDropped(LONG* notDropped) override;
    HRESULT GetDroppedInfo(LONG size, LONG* frameNumbers, LONG* copied) override;
    HRESULT GetAverageFrameSize(LONG* averageSize) override;

    const std::u16string& Name() const { return name_; }
    const GUID& Category() const { return category_; }
    PinFormats* Formats() const { return formats_.get(); }

    // Wires an output medium pin of an upstream hardware filter to an input pin downstream.
    // The downstream filter keeps the upstream one alive; it calls UnlinkMedium on its
    // input pins when it goes.
    static void LinkMedium(CapturePin* upstreamOutput, CapturePin* downstreamInput);
    void UnlinkMedium();

private:
    struct ByteCount;
    bool HasBufferNegotiation() const { return direction_ == PINDIR_OUTPUT && formats_ != nullptr; }
    LONG FrameBytes() const;

    CaptureFilterBase* owner_;
    std::u16string name_;
    PIN_DIRECTION direction_;
    GUID category_;
    GstPad* pad_;
    std::unique_ptr<PinFormats> formats_;
    std::shared_ptr<FrameGate> gate_;
    CapturePin* medium_ = nullptr;
    std::shared_ptr<ByteCount> delivered_;  // what really leaves the pin, for the average frame size

    mutable std::mutex mutex_;
    ComPtr<IPin> peer_;
    AM_MEDIA_TYPE connectionType_{};
    ALLOCATOR_PROPERTIES suggested_{-1, -1, -1, -1};
};

}  // namespace media

// The pin of a capture or hardware filter: the platform's one pin with what capture adds.
// What it answers depends on what the filter gave it: IGstPin when it has a pad,
// IAMStreamConfig when it has formats, IAMDroppedFrames when it has a frame gate,
// IAMBufferNegotiation on output pins with formats. Every such pin tells its category through
// IKsPropertySet (AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY).
//
// Pins between a capture filter and the card's hardware filters (analogue video and audio
// "mediums") have no pad and are wired for good when the card's filters are made: ConnectedTo
// answers the peer, so searches upstream of the capture filter find the crossbars, tuner and
// TV audio.
#pragma once

#include "platform/media/gst.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/media/base/base_pin.h"
#include "platform/media/capture_filters/pin_formats.h"
#include "platform/media/interfaces/stream_config.h"
#include "platform/media/virtual_card/frame_gate.h"

namespace media {

struct PinSetup {
    std::u16string name;
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    GUID category{};
    GstPad* pad = nullptr;                  // borrowed; null for a medium pin
    std::unique_ptr<PinFormats> formats;    // null: no IAMStreamConfig
    std::shared_ptr<FrameGate> gate;        // null: no IAMDroppedFrames
    // Sets the size of the buffers the pin sends (0: its own choice); null where the source
    // decides alone. False when the size cannot change now.
    std::function<bool(LONG bytes)> bufferSize;
};

class CapturePin final : public CBasePin,
                         public IAMStreamConfig,
                         public IAMBufferNegotiation,
                         public IAMDroppedFrames {
public:
    CapturePin(CBaseFilter* owner, PinSetup setup);
    ~CapturePin() override;

    // IUnknown, counted on the filter.
    HRESULT QueryInterface(REFIID riid, void** object) override { return CBasePin::QueryInterface(riid, object); }
    ULONG AddRef() override { return CBasePin::AddRef(); }
    ULONG Release() override { return CBasePin::Release(); }

    // The current format first, then the other capabilities; a type is accepted when it
    // names one of them.
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;

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

    PinFormats* Formats() const { return formats_.get(); }

    // Wires an output medium pin of an upstream hardware filter to an input pin downstream.
    // The downstream filter keeps the upstream one alive; it calls UnlinkMedium on its
    // input pins when it goes.
    static void LinkMedium(CapturePin* upstreamOutput, CapturePin* downstreamInput);
    void UnlinkMedium();

protected:
    HRESULT QueryExtraInterface(REFIID riid, void** object) override;
    void CollectMediaTypes(MediaTypeList* types) override;

private:
    struct ByteCount;
    bool HasBufferNegotiation() const { return Direction() == PINDIR_OUTPUT && formats_ != nullptr; }
    LONG FrameBytes() const;

    std::unique_ptr<PinFormats> formats_;
    std::shared_ptr<FrameGate> gate_;
    std::function<bool(LONG bytes)> bufferSize_;
    CapturePin* medium_ = nullptr;
    std::shared_ptr<ByteCount> delivered_;  // what really leaves the pin, for the average frame size

    mutable std::mutex mutex_;
    ALLOCATOR_PROPERTIES suggested_{-1, -1, -1, -1};
};

// Counts live capture and hardware filters (and so their pins), for leak checks in tests.
ObjectCounter& CaptureFilterCounter();

}  // namespace media

// The stream formats of one capture pin: the list of capabilities GetStreamCaps hands out,
// the current format, and how a new format reaches the source. Capabilities are fixed
// GstCaps, so the media types handed out are exactly those a connection settles on.
#pragma once

#include "platform/media/gst.h"

#include <functional>
#include <vector>

#include "platform/media/capture_constants.h"
#include "platform/media/media_types.h"

namespace media {

class PinFormats {
public:
    // Called with the chosen capability (its caps borrowed); a failure leaves the pin as it was.
    using ApplyFunction = std::function<HRESULT(int index, GstCaps* caps)>;

    // Takes over the caps (each fixed, one structure). `videoStandard` goes into the video
    // caps structures (AnalogVideo_None for cameras).
    PinFormats(std::vector<GstCaps*> capabilities, int current, ApplyFunction apply, LONG videoStandard = 0);
    ~PinFormats();
    PinFormats(const PinFormats&) = delete;
    PinFormats& operator=(const PinFormats&) = delete;

    bool IsAudio() const { return audio_; }
    int Count() const { return static_cast<int>(caps_.size()); }
    int CapsSize() const;
    int CurrentIndex() const { return current_; }
    // Caps of a capability (borrowed), null for a bad index.
    GstCaps* CapsAt(int index) const;

    // A new media type (free with DeleteMediaType) and, when `streamCaps` is given, the
    // VIDEO_STREAM_CONFIG_CAPS or AUDIO_STREAM_CONFIG_CAPS of the capability.
    HRESULT Capability(int index, AM_MEDIA_TYPE** type, BYTE* streamCaps) const;
    HRESULT Current(AM_MEDIA_TYPE** type) const;
    // The capability a media type names, or -1. A type without a frame rate matches the
    // first capability of its subtype and size.
    int Find(const AM_MEDIA_TYPE& type) const;
    // Switches to the capability the type names; VFW_E_INVALIDMEDIATYPE for a type the pin
    // cannot do, else what the source answers. The current format is unchanged on failure.
    HRESULT Apply(const AM_MEDIA_TYPE& type);
    // The source changed the format itself (a preview following the capture rate).
    void SetCurrentIndex(int index) {
        if (index >= 0 && index < Count()) current_ = index;
    }

private:
    std::vector<GstCaps*> caps_;
    int current_;
    ApplyFunction apply_;
    LONG videoStandard_;
    bool audio_ = false;
};

}  // namespace media

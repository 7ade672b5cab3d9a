// The link behind one connection of the graph: the output pin's pad, a capsfilter that pins
// the settled format, converters when the formats differ, and the input pin's pad. The
// format is settled when the link is made (caps query on both pads, intersect, fixate), so a
// connection knows its media type at once and a failure is known at once.
#pragma once

#include "platform/media/gst.h"

#include <vector>

#include "platform/media/media_types.h"

namespace media {

class PadLink {
public:
    PadLink() = default;
    ~PadLink();
    PadLink(PadLink&& other) noexcept;
    PadLink& operator=(PadLink&&) = delete;
    PadLink(const PadLink&) = delete;
    PadLink& operator=(const PadLink&) = delete;

    // Links `out` to `in` inside `bin` with one settled format. `wanted` (may be null) narrows
    // what the input receives. With converters allowed, a chain of converters (and a decoder
    // for compressed video) is tried when the formats do not meet. On success the types are
    // the formats at the output pin and at the input pin (equal without converters).
    // Failures: VFW_E_NO_ACCEPTABLE_TYPES (no common format), VFW_E_CANNOT_CONNECT (no
    // converter chain either, or the pads refuse to link); nothing is left behind.
    HRESULT Make(GstBin* bin, GstPad* out, GstPad* in, const GstCaps* wanted, bool allowConverters,
                 AM_MEDIA_TYPE* outType, AM_MEDIA_TYPE* inType);
    // Unlinks the pads and removes the elements the link added.
    void Break();

    GstPad* Out() const { return out_; }
    GstPad* In() const { return in_; }

private:
    HRESULT MakeDirect(const GstCaps* wanted, AM_MEDIA_TYPE* outType, AM_MEDIA_TYPE* inType);
    HRESULT MakeConverted(const std::vector<const char*>& chain, const GstCaps* wanted, AM_MEDIA_TYPE* outType,
                          AM_MEDIA_TYPE* inType);
    GstElement* AddElement(const char* factory);
    bool LinkAll();

    GstBin* bin_ = nullptr;
    GstPad* out_ = nullptr;
    GstPad* in_ = nullptr;
    std::vector<GstElement*> elements_;  // in order, each with a reference of ours
};

// Fixes every open field of `caps` (taken over), preferring the first structure the media
// framework can describe, and for sizes, rates and channels the values in `preferred` (may
// be null), then 640x480, 30 fps, 48 kHz, stereo and square pixels.
GstCaps* FixateLinkCaps(GstCaps* caps, const GstStructure* preferred);

}  // namespace media

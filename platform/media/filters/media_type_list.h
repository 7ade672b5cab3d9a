// Owned media types: a list that frees its format blocks, and helpers that turn pad caps into
// the media types a pin offers.
#pragma once

#include "platform/media/gst.h"

#include <vector>

#include "platform/media/media_types.h"

namespace media {

class MediaTypeList {
public:
    MediaTypeList() = default;
    ~MediaTypeList();
    MediaTypeList(const MediaTypeList&) = delete;
    MediaTypeList& operator=(const MediaTypeList&) = delete;

    // Appends a deep copy; false when memory runs out.
    bool Add(const AM_MEDIA_TYPE& type);
    std::size_t Size() const { return types_.size(); }
    const AM_MEDIA_TYPE& At(std::size_t i) const { return types_[i]; }

private:
    std::vector<AM_MEDIA_TYPE> types_;
};

// One media type per structure of `caps` (each structure fixated first); a format the media
// framework has no structure for still gives its major type. ANY or empty caps give none.
void AppendMediaTypes(const GstCaps* caps, MediaTypeList* list);

// The caps a pad can handle now: its caps query, or its template's caps when the query has
// nothing to say (a ghost pad without a target). The caller unrefs them.
GstCaps* PadCaps(GstPad* pad);

// The caps a media type stands for, also for partial types: a full type gives its fixed caps;
// a type with a known subtype but no format block gives that format at any size and rate; a
// major type alone gives every raw format of its kind. Null for GUID_NULL major types (which
// match anything) and for types the framework cannot express.
GstCaps* CapsForPartialType(const AM_MEDIA_TYPE& type);

// A media type for fixed caps; caps the framework has no structure for still give the major
// type (video, audio, interleaved) with no subtype and FORMAT_None.
HRESULT MediaTypeForFixedCaps(const GstCaps* caps, AM_MEDIA_TYPE* type);

}  // namespace media

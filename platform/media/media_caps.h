// Conversion between the platform's media types and GstCaps. Raw video is top-down inside
// GStreamer; media types describe RGB bottom-up with a positive biHeight, as the platform's
// DIBs are (rows are flipped where bytes are handed out, not here).
#pragma once

#include "platform/media/gst.h"
#include "platform/media/media_types.h"

namespace media {

// Fixed caps of one structure for a media type: YUY2, UYVY, I420/IYUV, YV12, NV12, RGB24,
// RGB32, RGB565, RGB555, MJPG and DV video (FORMAT_VideoInfo or FORMAT_VideoInfo2),
// interleaved DV (FORMAT_DvInfo), PCM or float audio (FORMAT_WaveFormatEx) and the compressed
// formats of compressed_caps.h. Null for a type it does not know or a format block too short for its format type.
GstCaps* CapsFromMediaType(const AM_MEDIA_TYPE& type);

// A media type for the first structure of fixed caps; the format block comes from
// CoTaskMemAlloc (free it with FreeMediaType). VFW_E_INVALIDMEDIATYPE for caps it does not
// know or caps that are not fixed; *type is then left empty.
HRESULT MediaTypeFromCaps(const GstCaps* caps, AM_MEDIA_TYPE* type);

}  // namespace media

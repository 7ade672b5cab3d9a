// The fields of a video pin's format that a device profile keeps (its video format group),
// written into a media type's format block and read back from one.
#pragma once

#include "platform/media/media_types.h"
#include "profiles/device_profile.h"

// Writes the group into `type` by its format type: the DVINFO words through `dvMask` (eight
// words: a set bit takes the stored bit), or the rectangles, bit rate, frame time, size and
// for the second-generation types the interlace flags and aspect ratio. A block too short
// for its format type is left alone.
void WriteVideoFormatFields(const VideoStreamFormat& stored, const DWORD* dvMask, AM_MEDIA_TYPE& type);

// The group as `type` gives it; fields the format type does not carry are zero.
VideoStreamFormat ReadVideoFormatFields(const AM_MEDIA_TYPE& type);

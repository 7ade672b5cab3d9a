// Compressed formats between media types and GstCaps: the video FOURCCs and audio format tags
// of the encoders the platform offers (H.264, MPEG-4 Part 2, HuffYUV, FFV1, MP3, MPEG-1 Layer
// II, AC-3, IMA and Microsoft ADPCM, A-law, mu-law). Motion JPEG and DV video are media_caps'.
#pragma once

#include "platform/media/gst.h"
#include "platform/media/media_types.h"

namespace media {

inline constexpr WORD WAVE_FORMAT_ADPCM = 0x0002;
inline constexpr WORD WAVE_FORMAT_ALAW = 0x0006;
inline constexpr WORD WAVE_FORMAT_MULAW = 0x0007;
inline constexpr WORD WAVE_FORMAT_IMA_ADPCM = 0x0011;
inline constexpr WORD WAVE_FORMAT_MPEG = 0x0050;
inline constexpr WORD WAVE_FORMAT_MPEGLAYER3 = 0x0055;
inline constexpr WORD WAVE_FORMAT_DOLBY_AC3 = 0x2000;

// Fixed caps for a compressed video type (FORMAT_VideoInfo/VideoInfo2 with a known FOURCC) or
// a compressed audio type (FORMAT_WaveFormatEx with a known tag); null for anything else.
GstCaps* CompressedCapsFromMediaType(const AM_MEDIA_TYPE& type);

// A media type for the first structure of fixed compressed caps: a VIDEOINFOHEADER whose
// biCompression is the FOURCC, or a WAVEFORMATEX with the tag. VFW_E_INVALIDMEDIATYPE for
// other caps (and *type left empty).
HRESULT CompressedMediaTypeFromCaps(const GstCaps* caps, AM_MEDIA_TYPE* type);

// The caps structure name of a compressed video FOURCC or audio tag; null when unknown.
const char* CompressedVideoCapsName(DWORD fourcc);
const char* CompressedAudioCapsName(WORD formatTag);

}  // namespace media

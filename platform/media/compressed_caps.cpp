#include "platform/media/compressed_caps.h"

#include <cstring>
#include <string>
#include <string_view>

#include "platform/com/task_memory.h"

namespace media {
namespace {

struct VideoCodec {
    DWORD fourcc;
    const char* capsName;
    const char* extra;  // fields that tell this codec apart under a shared caps name
};

const VideoCodec kVideoCodecs[] = {
    {MakeFourcc('H', '2', '6', '4'), "video/x-h264", "stream-format=(string)byte-stream, alignment=(string)au"},
    {MakeFourcc('F', 'M', 'P', '4'), "video/mpeg", "mpegversion=(int)4, systemstream=(boolean)false"},
    {MakeFourcc('H', 'F', 'Y', 'U'), "video/x-huffyuv", nullptr},
    {MakeFourcc('F', 'F', 'V', 'H'), "video/x-gst-av-ffvhuff", nullptr},
    {MakeFourcc('F', 'F', 'V', '1'), "video/x-ffv", "ffvversion=(int)1"},
};

struct AudioCodec {
    WORD tag;
    const char* capsName;
    const char* extra;
    WORD bitsPerSample;
};

const AudioCodec kAudioCodecs[] = {
    {WAVE_FORMAT_MPEGLAYER3, "audio/mpeg", "mpegversion=(int)1, layer=(int)3", 0},
    {WAVE_FORMAT_MPEG, "audio/mpeg", "mpegversion=(int)1, layer=(int)2", 0},
    {WAVE_FORMAT_DOLBY_AC3, "audio/x-ac3", nullptr, 0},
    {WAVE_FORMAT_IMA_ADPCM, "audio/x-adpcm", "layout=(string)dvi", 4},
    {WAVE_FORMAT_ADPCM, "audio/x-adpcm", "layout=(string)microsoft", 4},
    {WAVE_FORMAT_ALAW, "audio/x-alaw", nullptr, 8},
    {WAVE_FORMAT_MULAW, "audio/x-mulaw", nullptr, 8},
};

// The caps of a codec: its name and telling fields, as one structure.
GstCaps* CodecCaps(const char* name, const char* extra) {
    std::string text = name;
    if (extra) text += std::string(", ") + extra;
    return gst_caps_from_string(text.c_str());
}

// Whether structure `s` is the codec's: the same name, telling fields that agree where `s`
// has them, and those that tell codecs apart under a shared name present.
bool Matches(const GstStructure* s, const char* name, const char* extra) {
    if (std::string_view(gst_structure_get_name(s)) != name) return false;
    if (!extra) return true;
    GstCaps* wanted = CodecCaps(name, extra);
    const GstStructure* w = gst_caps_get_structure(wanted, 0);
    bool agrees = gst_structure_can_intersect(s, w);
    for (const char* key : {"mpegversion", "layer", "layout", "ffvversion"}) {
        if (gst_structure_has_field(w, key) && !gst_structure_has_field(s, key)) agrees = false;
    }
    gst_caps_unref(wanted);
    return agrees;
}

const VideoCodec* VideoByFourcc(DWORD fourcc) {
    for (const VideoCodec& c : kVideoCodecs)
        if (c.fourcc == fourcc) return &c;
    return nullptr;
}

const AudioCodec* AudioByTag(WORD tag) {
    for (const AudioCodec& c : kAudioCodecs)
        if (c.tag == tag) return &c;
    return nullptr;
}

GstCaps* VideoCaps(const AM_MEDIA_TYPE& type) {
    const BITMAPINFOHEADER* header = nullptr;
    REFERENCE_TIME frame = 0;
    if (type.formattype == FORMAT_VideoInfo && type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
        header = &vih->bmiHeader;
        frame = vih->AvgTimePerFrame;
    } else if (type.formattype == FORMAT_VideoInfo2 && type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat);
        header = &vih->bmiHeader;
        frame = vih->AvgTimePerFrame;
    }
    if (!header) return nullptr;
    const VideoCodec* codec = VideoByFourcc(header->biCompression);
    if (!codec || header->biWidth <= 0 || header->biHeight == 0 || header->biHeight == G_MININT32) return nullptr;
    GstCaps* caps = CodecCaps(codec->capsName, codec->extra);
    gst_caps_set_simple(caps, "width", G_TYPE_INT, static_cast<gint>(header->biWidth), "height", G_TYPE_INT,
                        static_cast<gint>(header->biHeight < 0 ? -header->biHeight : header->biHeight), nullptr);
    if (frame > 0 && frame <= G_MAXINT)
        gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, 10'000'000, static_cast<gint>(frame), nullptr);
    return caps;
}

GstCaps* AudioCaps(const AM_MEDIA_TYPE& type) {
    if (type.formattype != FORMAT_WaveFormatEx || !type.pbFormat || type.cbFormat < sizeof(WAVEFORMATEX)) return nullptr;
    WAVEFORMATEX wfx;
    std::memcpy(&wfx, type.pbFormat, sizeof wfx);
    const AudioCodec* codec = AudioByTag(wfx.wFormatTag);
    if (!codec || wfx.nChannels == 0 || wfx.nSamplesPerSec == 0 || wfx.nSamplesPerSec > G_MAXINT) return nullptr;
    const bool adpcm = std::string_view(codec->capsName) == "audio/x-adpcm";
    if (adpcm && wfx.nBlockAlign == 0) return nullptr;  // ADPCM cannot be cut into blocks without it
    GstCaps* caps = CodecCaps(codec->capsName, codec->extra);
    gst_caps_set_simple(caps, "rate", G_TYPE_INT, static_cast<gint>(wfx.nSamplesPerSec), "channels", G_TYPE_INT,
                        static_cast<gint>(wfx.nChannels), nullptr);
    if (adpcm)
        gst_caps_set_simple(caps, "block_align", G_TYPE_INT, static_cast<gint>(wfx.nBlockAlign), nullptr);
    return caps;
}

HRESULT FillVideo(const GstStructure* s, DWORD fourcc, AM_MEDIA_TYPE* type) {
    gint width = 0, height = 0;
    if (!gst_structure_get_int(s, "width", &width) || !gst_structure_get_int(s, "height", &height) || width <= 0 ||
        height <= 0)
        return VFW_E_INVALIDMEDIATYPE;
    auto* vih = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (!vih) return E_OUTOFMEMORY;
    std::memset(vih, 0, sizeof *vih);
    gint n = 0, d = 0;
    if (gst_structure_get_fraction(s, "framerate", &n, &d) && n > 0 && d > 0)
        vih->AvgTimePerFrame = static_cast<REFERENCE_TIME>(gst_util_uint64_scale_round(10'000'000, d, n));
    guint bitrate = 0;
    if (gst_structure_get_uint(s, "bitrate", &bitrate)) vih->dwBitRate = bitrate;
    BITMAPINFOHEADER& bmi = vih->bmiHeader;
    bmi.biSize = sizeof(BITMAPINFOHEADER);
    bmi.biWidth = width;
    bmi.biHeight = height;
    bmi.biPlanes = 1;
    bmi.biBitCount = 24;
    bmi.biCompression = fourcc;
    bmi.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 3;
    type->majortype = MEDIATYPE_Video;
    type->subtype = FourccSubtype(fourcc);
    type->bFixedSizeSamples = FALSE;
    type->bTemporalCompression = TRUE;
    type->lSampleSize = 0;
    type->formattype = FORMAT_VideoInfo;
    type->cbFormat = sizeof(VIDEOINFOHEADER);
    type->pbFormat = reinterpret_cast<BYTE*>(vih);
    return S_OK;
}

HRESULT FillAudio(const GstStructure* s, const AudioCodec& codec, AM_MEDIA_TYPE* type) {
    gint rate = 0, channels = 0;
    if (!gst_structure_get_int(s, "rate", &rate) || !gst_structure_get_int(s, "channels", &channels) || rate <= 0 ||
        channels <= 0 || channels > 0xFFFF)
        return VFW_E_INVALIDMEDIATYPE;
    WAVEFORMATEX wfx{};
    wfx.wFormatTag = codec.tag;
    wfx.nChannels = static_cast<WORD>(channels);
    wfx.nSamplesPerSec = static_cast<DWORD>(rate);
    wfx.wBitsPerSample = codec.bitsPerSample;
    gint blockAlign = 0, bitrate = 0;
    if (gst_structure_get_int(s, "block_align", &blockAlign) && blockAlign > 0 && blockAlign <= 0xFFFF)
        wfx.nBlockAlign = static_cast<WORD>(blockAlign);
    if (codec.bitsPerSample == 8) {
        wfx.nBlockAlign = wfx.nChannels;
        wfx.nAvgBytesPerSec = wfx.nSamplesPerSec * wfx.nChannels;
    } else if (gst_structure_get_int(s, "bitrate", &bitrate) && bitrate > 0) {
        wfx.nAvgBytesPerSec = static_cast<DWORD>(bitrate) / 8;
    }
    if (wfx.nBlockAlign == 0) wfx.nBlockAlign = 1;
    return CreateAudioMediaType(&wfx, type, TRUE);
}

}  // namespace

const char* CompressedVideoCapsName(DWORD fourcc) {
    const VideoCodec* codec = VideoByFourcc(fourcc);
    return codec ? codec->capsName : nullptr;
}

const char* CompressedAudioCapsName(WORD formatTag) {
    const AudioCodec* codec = AudioByTag(formatTag);
    return codec ? codec->capsName : nullptr;
}

GstCaps* CompressedCapsFromMediaType(const AM_MEDIA_TYPE& type) {
    if (type.majortype == MEDIATYPE_Video) return VideoCaps(type);
    if (type.majortype == MEDIATYPE_Audio) return AudioCaps(type);
    return nullptr;
}

HRESULT CompressedMediaTypeFromCaps(const GstCaps* caps, AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    *type = {};
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) return VFW_E_INVALIDMEDIATYPE;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    HRESULT hr = VFW_E_INVALIDMEDIATYPE;
    for (const VideoCodec& codec : kVideoCodecs) {
        if (Matches(s, codec.capsName, codec.extra)) {
            hr = FillVideo(s, codec.fourcc, type);
            break;
        }
    }
    if (hr == VFW_E_INVALIDMEDIATYPE) {
        for (const AudioCodec& codec : kAudioCodecs) {
            if (Matches(s, codec.capsName, codec.extra)) {
                hr = FillAudio(s, codec, type);
                break;
            }
        }
    }
    if (FAILED(hr)) {
        FreeMediaType(*type);
        *type = {};
    }
    return hr;
}

}  // namespace media

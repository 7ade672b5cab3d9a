#include "platform/media/media_caps.h"

#include <gst/audio/audio.h>
#include <gst/video/video.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/com/task_memory.h"
#include "platform/media/compressed_caps.h"

namespace media {
namespace {

struct RawVideo {
    const GUID* subtype;
    const char* gstFormat;
    WORD bitCount;
    DWORD compression;  // BI_RGB, BI_BITFIELDS or the FOURCC
};

constexpr RawVideo kRawVideo[] = {
    {&MEDIASUBTYPE_YUY2, "YUY2", 16, MakeFourcc('Y', 'U', 'Y', '2')},
    {&MEDIASUBTYPE_UYVY, "UYVY", 16, MakeFourcc('U', 'Y', 'V', 'Y')},
    {&MEDIASUBTYPE_I420, "I420", 12, MakeFourcc('I', '4', '2', '0')},
    {&MEDIASUBTYPE_IYUV, "I420", 12, MakeFourcc('I', 'Y', 'U', 'V')},
    {&MEDIASUBTYPE_YV12, "YV12", 12, MakeFourcc('Y', 'V', '1', '2')},
    {&MEDIASUBTYPE_NV12, "NV12", 12, MakeFourcc('N', 'V', '1', '2')},
    // The platform's RGB formats are little-endian words: B, G, R (, X) in memory.
    {&MEDIASUBTYPE_RGB24, "BGR", 24, BI_RGB},
    {&MEDIASUBTYPE_RGB32, "BGRx", 32, BI_RGB},
    {&MEDIASUBTYPE_RGB565, "RGB16", 16, BI_BITFIELDS},
    {&MEDIASUBTYPE_RGB555, "RGB15", 16, BI_RGB},
};

constexpr LONG kDvWidth = 720;
constexpr ULONG kDvNtscFrame = 120000;
constexpr ULONG kDvPalFrame = 144000;
// VAUX source pack, third byte: the 50/60 flag (set for 625-line systems).
constexpr DWORD kDvVAuxSrc50Fields = 0x00200000;

const RawVideo* RawBySubtype(REFGUID subtype) {
    for (const RawVideo& r : kRawVideo)
        if (*r.subtype == subtype) return &r;
    return nullptr;
}

const RawVideo* RawByGstFormat(std::string_view format) {
    for (const RawVideo& r : kRawVideo)
        if (format == r.gstFormat) return &r;  // I420 maps to MEDIASUBTYPE_I420, listed first
    return nullptr;
}

DWORD ImageSize(const RawVideo& raw, LONG width, LONG height) {
    const auto w = static_cast<DWORD>(width), h = static_cast<DWORD>(height);
    if (raw.compression == BI_RGB || raw.compression == BI_BITFIELDS) return ((w * raw.bitCount / 8 + 3) & ~3u) * h;
    return w * h * raw.bitCount / 8;
}

// Where the BITMAPINFOHEADER and frame duration sit in the two video format blocks.
struct VideoBlock {
    const BITMAPINFOHEADER* header = nullptr;
    REFERENCE_TIME avgTimePerFrame = 0;
};

bool ReadVideoBlock(const AM_MEDIA_TYPE& type, VideoBlock* block) {
    if (!type.pbFormat) return false;
    if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
        *block = {&vih->bmiHeader, vih->AvgTimePerFrame};
        return true;
    }
    if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat);
        *block = {&vih->bmiHeader, vih->AvgTimePerFrame};
        return true;
    }
    return false;
}

// The longest frame duration (100 ns units, about 214 s) carried between the two: 10^7 over
// it is still a fraction of gint terms. Longer ones are treated as unknown both ways.
constexpr REFERENCE_TIME kLongestFrameDuration = G_MAXINT;

REFERENCE_TIME FrameDuration(gint n, gint d) {
    if (n <= 0 || d <= 0) return 0;
    const auto duration = static_cast<REFERENCE_TIME>(
        gst_util_uint64_scale_round(10'000'000, static_cast<guint64>(d), static_cast<guint64>(n)));
    return duration <= kLongestFrameDuration ? duration : 0;
}

// A framerate whose frame duration is exactly avgTimePerFrame: the standard rate GStreamer
// guesses (30000/1001 for 333667) where it rounds to that duration, else 10^7/avgTimePerFrame.
// A guess that is only close would change the duration on the way back.
void SetFramerate(GstCaps* caps, REFERENCE_TIME avgTimePerFrame) {
    if (avgTimePerFrame <= 0 || avgTimePerFrame > kLongestFrameDuration) return;
    gint n = 0, d = 1;
    if (!gst_video_guess_framerate(static_cast<GstClockTime>(avgTimePerFrame) * 100, &n, &d) ||
        FrameDuration(n, d) != avgTimePerFrame) {
        n = 10'000'000;
        d = static_cast<gint>(avgTimePerFrame);
    }
    gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, n, d, nullptr);
}

GstCaps* VideoCaps(const AM_MEDIA_TYPE& type) {
    VideoBlock block;
    if (!ReadVideoBlock(type, &block)) return nullptr;
    const LONG width = block.header->biWidth;
    // The most negative biHeight has no positive counterpart in a LONG: refused with the rest.
    const std::int64_t height = std::abs(static_cast<std::int64_t>(block.header->biHeight));
    if (width <= 0 || height <= 0 || height > G_MAXINT) return nullptr;
    GstCaps* caps = nullptr;
    if (const RawVideo* raw = RawBySubtype(type.subtype)) {
        caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, raw->gstFormat, nullptr);
    } else if (type.subtype == MEDIASUBTYPE_MJPG) {
        caps = gst_caps_new_empty_simple("image/jpeg");
    } else if (type.subtype == MEDIASUBTYPE_dvsd) {
        caps = gst_caps_new_simple("video/x-dv", "systemstream", G_TYPE_BOOLEAN, FALSE, nullptr);
    } else {
        return nullptr;
    }
    gst_caps_set_simple(caps, "width", G_TYPE_INT, width, "height", G_TYPE_INT, static_cast<gint>(height), nullptr);
    SetFramerate(caps, block.avgTimePerFrame);
    return caps;
}

GstCaps* InterleavedDvCaps(const AM_MEDIA_TYPE& type) {
    if (type.subtype != MEDIASUBTYPE_dvsd || type.formattype != FORMAT_DvInfo || !type.pbFormat ||
        type.cbFormat < sizeof(DVINFO))
        return nullptr;
    const auto* info = reinterpret_cast<const DVINFO*>(type.pbFormat);
    const bool pal = type.lSampleSize == kDvPalFrame || (info->dwDVVAuxSrc & kDvVAuxSrc50Fields) != 0;
    return gst_caps_new_simple("video/x-dv", "systemstream", G_TYPE_BOOLEAN, TRUE, "width", G_TYPE_INT, kDvWidth,
                               "height", G_TYPE_INT, pal ? 576 : 480, "framerate", GST_TYPE_FRACTION, pal ? 25 : 30000,
                               pal ? 1 : 1001, nullptr);
}

GstCaps* AudioCaps(const AM_MEDIA_TYPE& type) {
    if (type.formattype != FORMAT_WaveFormatEx || !type.pbFormat || type.cbFormat < sizeof(WAVEFORMATEX))
        return nullptr;
    WAVEFORMATEX wfx;
    std::memcpy(&wfx, type.pbFormat, sizeof wfx);
    // A rate beyond a gint would turn into a negative caps rate.
    if (wfx.nChannels == 0 || wfx.nSamplesPerSec == 0 || wfx.nSamplesPerSec > G_MAXINT) return nullptr;
    const char* format = nullptr;
    if (type.subtype == MEDIASUBTYPE_PCM && wfx.wFormatTag == WAVE_FORMAT_PCM) {
        format = wfx.wBitsPerSample == 8    ? "U8"
                 : wfx.wBitsPerSample == 16 ? "S16LE"
                 : wfx.wBitsPerSample == 24 ? "S24LE"
                 : wfx.wBitsPerSample == 32 ? "S32LE"
                                            : nullptr;
    } else if (type.subtype == MEDIASUBTYPE_IEEE_FLOAT && wfx.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
        format = wfx.wBitsPerSample == 32 ? "F32LE" : wfx.wBitsPerSample == 64 ? "F64LE" : nullptr;
    }
    if (!format) return nullptr;
    return gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, format, "layout", G_TYPE_STRING, "interleaved",
                               "rate", G_TYPE_INT, static_cast<gint>(wfx.nSamplesPerSec), "channels", G_TYPE_INT,
                               static_cast<gint>(wfx.nChannels), nullptr);
}

// --- caps to media type ---

template <typename Block>
Block* NewFormat(AM_MEDIA_TYPE* type, const GUID& formatType) {
    auto* block = static_cast<Block*>(CoTaskMemAlloc(sizeof(Block)));
    if (!block) return nullptr;
    std::memset(block, 0, sizeof(Block));
    type->formattype = formatType;
    type->cbFormat = sizeof(Block);
    type->pbFormat = reinterpret_cast<BYTE*>(block);
    return block;
}

REFERENCE_TIME FrameDuration(const GstStructure* s) {
    gint n = 0, d = 0;
    if (!gst_structure_get_fraction(s, "framerate", &n, &d)) return 0;
    return FrameDuration(n, d);
}

HRESULT FillVideo(const GstStructure* s, const GUID& subtype, WORD bitCount, DWORD compression, DWORD imageSize,
                  bool compressed, AM_MEDIA_TYPE* type) {
    gint width = 0, height = 0;
    if (!gst_structure_get_int(s, "width", &width) || !gst_structure_get_int(s, "height", &height) || width <= 0 ||
        height <= 0)
        return VFW_E_INVALIDMEDIATYPE;
    type->majortype = MEDIATYPE_Video;
    type->subtype = subtype;
    type->bFixedSizeSamples = compressed ? FALSE : TRUE;
    type->bTemporalCompression = FALSE;
    auto* vih = NewFormat<VIDEOINFOHEADER>(type, FORMAT_VideoInfo);
    if (!vih) return E_OUTOFMEMORY;
    vih->AvgTimePerFrame = FrameDuration(s);
    BITMAPINFOHEADER& bmi = vih->bmiHeader;
    bmi.biSize = sizeof(BITMAPINFOHEADER);
    bmi.biWidth = width;
    bmi.biHeight = height;  // positive: RGB rows bottom-up, as the platform hands them out
    bmi.biPlanes = 1;
    bmi.biBitCount = bitCount;
    bmi.biCompression = compression;
    bmi.biSizeImage = imageSize != 0 ? imageSize : static_cast<DWORD>(width) * static_cast<DWORD>(height) * bitCount / 8;
    type->lSampleSize = compressed ? 0 : bmi.biSizeImage;
    if (vih->AvgTimePerFrame > 0)
        vih->dwBitRate = static_cast<DWORD>(gst_util_uint64_scale(bmi.biSizeImage * 8ull, 10'000'000,
                                                                  static_cast<guint64>(vih->AvgTimePerFrame)));
    return S_OK;
}

HRESULT FromRawVideo(const GstStructure* s, AM_MEDIA_TYPE* type) {
    const gchar* format = gst_structure_get_string(s, "format");
    const RawVideo* raw = format ? RawByGstFormat(format) : nullptr;
    if (!raw) return VFW_E_INVALIDMEDIATYPE;
    gint width = 0, height = 0;
    gst_structure_get_int(s, "width", &width);
    gst_structure_get_int(s, "height", &height);
    const DWORD size = width > 0 && height > 0 ? ImageSize(*raw, width, height) : 0;
    return FillVideo(s, *raw->subtype, raw->bitCount, raw->compression, size, false, type);
}

HRESULT FromDv(const GstStructure* s, AM_MEDIA_TYPE* type) {
    gboolean system = FALSE;
    gst_structure_get_boolean(s, "systemstream", &system);
    gint height = 480;
    gst_structure_get_int(s, "height", &height);
    const bool pal = height == 576;
    const ULONG frame = pal ? kDvPalFrame : kDvNtscFrame;
    if (!system)
        return FillVideo(s, MEDIASUBTYPE_dvsd, 24, MakeFourcc('d', 'v', 's', 'd'), frame, false, type);
    type->majortype = MEDIATYPE_Interleaved;
    type->subtype = MEDIASUBTYPE_dvsd;
    type->bFixedSizeSamples = TRUE;
    type->lSampleSize = frame;
    auto* info = NewFormat<DVINFO>(type, FORMAT_DvInfo);
    if (!info) return E_OUTOFMEMORY;
    if (pal) info->dwDVVAuxSrc = kDvVAuxSrc50Fields;
    return S_OK;
}

HRESULT FromAudio(const GstStructure* s, AM_MEDIA_TYPE* type) {
    const gchar* format = gst_structure_get_string(s, "format");
    const gchar* layout = gst_structure_get_string(s, "layout");
    gint rate = 0, channels = 0;
    if (!format || !gst_structure_get_int(s, "rate", &rate) || !gst_structure_get_int(s, "channels", &channels) ||
        rate <= 0 || channels <= 0 || channels > 0xFFFF || (layout && std::string_view(layout) != "interleaved"))
        return VFW_E_INVALIDMEDIATYPE;
    const GstAudioFormat af = gst_audio_format_from_string(format);
    const GstAudioFormatInfo* info = gst_audio_format_get_info(af);
    if (af == GST_AUDIO_FORMAT_UNKNOWN || !info) return VFW_E_INVALIDMEDIATYPE;
    const bool isFloat = GST_AUDIO_FORMAT_INFO_IS_FLOAT(info);
    const bool pcmOk = af == GST_AUDIO_FORMAT_U8 || af == GST_AUDIO_FORMAT_S16LE || af == GST_AUDIO_FORMAT_S24LE ||
                       af == GST_AUDIO_FORMAT_S32LE;
    const bool floatOk = af == GST_AUDIO_FORMAT_F32LE || af == GST_AUDIO_FORMAT_F64LE;
    if (!pcmOk && !floatOk) return VFW_E_INVALIDMEDIATYPE;
    WAVEFORMATEX wfx{};
    wfx.wFormatTag = isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
    wfx.nChannels = static_cast<WORD>(channels);
    wfx.nSamplesPerSec = static_cast<DWORD>(rate);
    wfx.wBitsPerSample = static_cast<WORD>(GST_AUDIO_FORMAT_INFO_WIDTH(info));
    wfx.nBlockAlign = static_cast<WORD>(wfx.nChannels * wfx.wBitsPerSample / 8);
    wfx.nAvgBytesPerSec = wfx.nSamplesPerSec * wfx.nBlockAlign;
    return CreateAudioMediaType(&wfx, type, TRUE);
}

}  // namespace

GstCaps* CapsFromMediaType(const AM_MEDIA_TYPE& type) {
    GstCaps* caps = nullptr;
    if (type.majortype == MEDIATYPE_Video) caps = VideoCaps(type);
    if (type.majortype == MEDIATYPE_Interleaved) caps = InterleavedDvCaps(type);
    if (type.majortype == MEDIATYPE_Audio) caps = AudioCaps(type);
    return caps ? caps : CompressedCapsFromMediaType(type);
}

HRESULT MediaTypeFromCaps(const GstCaps* caps, AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    *type = {};
    if (!caps || gst_caps_is_empty(caps) || !gst_caps_is_fixed(caps)) return VFW_E_INVALIDMEDIATYPE;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    const std::string_view name = gst_structure_get_name(s);
    HRESULT hr = VFW_E_INVALIDMEDIATYPE;
    if (name == "video/x-raw") {
        hr = FromRawVideo(s, type);
    } else if (name == "image/jpeg") {
        gint w = 0, h = 0;
        gst_structure_get_int(s, "width", &w);
        gst_structure_get_int(s, "height", &h);
        const DWORD size = w > 0 && h > 0 ? static_cast<DWORD>(w) * static_cast<DWORD>(h) * 3 : 0;
        hr = FillVideo(s, MEDIASUBTYPE_MJPG, 24, MakeFourcc('M', 'J', 'P', 'G'), size, true, type);
    } else if (name == "video/x-dv") {
        hr = FromDv(s, type);
    } else if (name == "audio/x-raw") {
        hr = FromAudio(s, type);
    } else {
        return CompressedMediaTypeFromCaps(caps, type);
    }
    if (FAILED(hr)) {
        FreeMediaType(*type);
        *type = {};
    }
    return hr;
}

}  // namespace media

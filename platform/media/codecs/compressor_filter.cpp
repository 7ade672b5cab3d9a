#include "platform/media/codecs/compressor_filter.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <type_traits>

#include "platform/com/wide_text.h"
#include "platform/media/codecs/audio_formats.h"
#include "platform/media/codecs/element_settings.h"
#include "platform/media/codecs/encoder_timestamps.h"
#include "platform/media/codecs/settings_filter.h"
#include "platform/media/filters/media_type_list.h"
#include "platform/media/graph/pad_link.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/compression.h"
#include "platform/media/interfaces/stream_config.h"
#include "platform/media/media_caps.h"
#include "platform/ui/property_frame.h"

namespace media::codecs {
namespace {

// Size and rate of raw or coded video, or rate and channels of audio; 0 = not known.
struct Geometry {
    int width = 0, height = 0, rateNum = 0, rateDen = 0;  // video
    int sampleRate = 0, channels = 0;                    // audio
    bool Known() const { return width > 0 || sampleRate > 0; }
};

Geometry GeometryOf(const AM_MEDIA_TYPE& type) {
    Geometry g;
    GstCaps* caps = CapsFromMediaType(type);
    if (!caps) return g;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    gst_structure_get_int(s, "width", &g.width);
    gst_structure_get_int(s, "height", &g.height);
    gst_structure_get_fraction(s, "framerate", &g.rateNum, &g.rateDen);
    gst_structure_get_int(s, "rate", &g.sampleRate);
    gst_structure_get_int(s, "channels", &g.channels);
    gst_caps_unref(caps);
    return g;
}

Geometry ConnectionGeometry(CBasePin* pin) {
    if (!pin || !pin->IsConnected()) return {};
    AM_MEDIA_TYPE type{};
    if (FAILED(pin->CopyConnectionType(&type))) return {};
    const Geometry g = GeometryOf(type);
    FreeMediaType(type);
    return g;
}

void ApplyGeometry(GstCaps* caps, const Geometry& g, bool withRate) {
    if (g.width > 0 && g.height > 0)
        gst_caps_set_simple(caps, "width", G_TYPE_INT, g.width, "height", G_TYPE_INT, g.height, nullptr);
    if (withRate && g.rateNum > 0 && g.rateDen > 0)
        gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, g.rateNum, g.rateDen, nullptr);
    if (g.sampleRate > 0) gst_caps_set_simple(caps, "rate", G_TYPE_INT, g.sampleRate, nullptr);
    if (g.channels > 0) gst_caps_set_simple(caps, "channels", G_TYPE_INT, g.channels, nullptr);
}

// A copy in task memory, as GetFormat and GetStreamCaps hand types out.
HRESULT HandOut(const AM_MEDIA_TYPE& type, AM_MEDIA_TYPE** out) {
    *out = CreateMediaType(&type);
    return *out ? S_OK : E_OUTOFMEMORY;
}

// Copies `text` (with its NUL) into a buffer of *size bytes; *size becomes the bytes needed.
void CopyText(const std::u16string& text, LPWSTR buffer, int* size) {
    if (!size) return;
    const int needed = static_cast<int>((text.size() + 1) * sizeof(WCHAR));
    if (buffer && *size > 0) {
        const std::size_t chars = std::min<std::size_t>(text.size(), static_cast<std::size_t>(*size) / sizeof(WCHAR) - 1);
        if (*size >= static_cast<int>(sizeof(WCHAR))) {
            std::memcpy(buffer, text.data(), chars * sizeof(WCHAR));
            buffer[chars] = 0;
        }
    }
    *size = needed;
}

std::u16string PluginVersion(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    GstPlugin* plugin = factory ? gst_plugin_feature_get_plugin(GST_PLUGIN_FEATURE(factory)) : nullptr;
    std::string version = plugin ? gst_plugin_get_version(plugin) : "";
    if (plugin) gst_object_unref(plugin);
    return Utf8ToWide(version);
}

// The parts of a compressor bin: converters, the capsfilter that pins the encoder's input, the
// encoder and the capsfilter that pins its output.
struct CompressorBin {
    GstElement* bin = nullptr;
    GstElement* first = nullptr;
    GstElement* rawFilter = nullptr;
    GstElement* encoder = nullptr;
    GstElement* outFilter = nullptr;
};

bool BuildBin(const char* factory, std::initializer_list<const char*> converters, CompressorBin* parts) {
    GstElement* bin = gst_bin_new(UniqueElementName(factory).c_str());
    std::vector<GstElement*> chain;
    bool complete = true;
    for (const char* converter : converters) {
        GstElement* e = MakeElement(converter, nullptr);
        complete = complete && e;
        if (e) chain.push_back(e);
    }
    GstElement* raw = MakeElement("capsfilter", nullptr);
    GstElement* encoder = MakeElement(factory, nullptr);
    if (encoder && EncoderLosesFrameTimes(factory)) KeepFrameTimesAcross(encoder);
    GstElement* out = MakeElement("capsfilter", nullptr);
    for (GstElement* e : {raw, encoder, out}) {
        complete = complete && e;
        if (e) chain.push_back(e);
    }
    for (GstElement* e : chain) gst_bin_add(GST_BIN(bin), e);
    for (std::size_t i = 0; complete && i + 1 < chain.size(); ++i) complete = gst_element_link(chain[i], chain[i + 1]);
    if (!complete) {
        gst_object_unref(gst_object_ref_sink(bin));
        return false;
    }
    *parts = {bin, chain.front(), raw, encoder, out};
    return true;
}

// --- the base of both kinds ---

template <typename... Extra>
using CompressorBase = std::conditional_t<sizeof...(Extra) == 0, SettingsFilter, ComExtend<SettingsFilter, Extra...>>;

template <typename... Extra>
class Compressor : public CompressorBase<Extra...> {
public:
    using Base = CompressorBase<Extra...>;

    Compressor(const char* factory, const char16_t* name, const CompressorBin& parts)
        : Base(ElementFilterClass(factory), name, parts.bin, parts.encoder), parts_(parts) {}

    void OnConnectionChanged(CBasePin&) override { UpdateCaps(); }
    GstElement* Encoder() const { return parts_.encoder; }
    GstElement* OutFilter() const { return parts_.outFilter; }
    CBasePin* Input() const { return input_; }
    CBasePin* Output() const { return output_; }
    bool Stopped() { return this->IsStopped(); }

    // Pins the encoder's input and output formats from the current choices.
    virtual void UpdateCaps() = 0;

    // After a format change: a connected output takes the new format.
    HRESULT ReconnectOutput() {
        if (!output_ || !output_->IsConnected()) return S_OK;
        IFilterGraph* graph = this->GetFilterGraph();
        return graph ? graph->Reconnect(output_) : S_OK;
    }

protected:
    void SetPins(CBasePin* input, CBasePin* output) {
        input_ = input;
        output_ = output;
    }
    void PinCaps(GstCaps* raw, GstCaps* out) {
        g_object_set(parts_.rawFilter, "caps", raw, nullptr);
        g_object_set(parts_.outFilter, "caps", out, nullptr);
        gst_caps_unref(raw);
        gst_caps_unref(out);
    }

    CompressorBin parts_;

private:
    CBasePin* input_ = nullptr;
    CBasePin* output_ = nullptr;
};

// --- video ---

class VideoCompressor;

class VideoOutputPin final : public CBasePin, public IAMStreamConfig, public IAMVideoCompression {
public:
    VideoOutputPin(VideoCompressor* filter, GstPad* pad);

    HRESULT QueryInterface(REFIID riid, void** object) override { return CBasePin::QueryInterface(riid, object); }
    ULONG AddRef() override { return CBasePin::AddRef(); }
    ULONG Release() override { return CBasePin::Release(); }

    // IAMStreamConfig
    HRESULT SetFormat(AM_MEDIA_TYPE* mediaType) override;
    HRESULT GetFormat(AM_MEDIA_TYPE** mediaType) override;
    HRESULT GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* streamConfigCaps) override;
    // IAMVideoCompression
    HRESULT put_KeyFrameRate(LONG keyFrameRate) override;
    HRESULT get_KeyFrameRate(LONG* keyFrameRate) override;
    HRESULT put_PFramesPerKeyFrame(LONG pFramesPerKeyFrame) override;
    HRESULT get_PFramesPerKeyFrame(LONG* pFramesPerKeyFrame) override;
    HRESULT put_Quality(double quality) override;
    HRESULT get_Quality(double* quality) override;
    HRESULT put_WindowSize(DWORDLONG windowSize) override;
    HRESULT get_WindowSize(DWORDLONG* windowSize) override;
    HRESULT GetInfo(LPWSTR version, int* versionSize, LPWSTR description, int* descriptionSize,
                    LONG* defaultKeyFrameRate, LONG* defaultPFramesPerKey, double* defaultQuality,
                    LONG* capabilities) override;
    HRESULT OverrideKeyFrame(LONG frameNumber) override;
    HRESULT OverrideFrameSize(LONG frameNumber, LONG size) override;

protected:
    HRESULT QueryExtraInterface(REFIID riid, void** object) override;

private:
    HRESULT PutFrameCount(const char* property, LONG value);
    HRESULT GetFrameCount(const char* property, LONG* value);

    VideoCompressor* video_;
};

class VideoCompressor final : public Compressor<IAMVfwCompressDialogs> {
public:
    VideoCompressor(const VideoCompressorInfo& info, const CompressorBin& parts)
        : Compressor(info.factory, info.friendlyName, parts), info_(info) {
        CBasePin* input = AddPin(AddGhostPad(parts.bin, parts.first, "sink", "Input"), u"Input");
        GstPad* outPad = AddGhostPad(parts.bin, parts.outFilter, "src", "Output");
        CBasePin* output = outPad ? AddPin(std::make_unique<VideoOutputPin>(this, outPad)) : nullptr;
        SetPins(input, output);
        UpdateCaps();
    }

    const VideoCompressorInfo& Info() const { return info_; }

    // IMediaFilter's GetState stays visible beside the dialogs' one.
    using CBaseFilter::GetState;

    // IAMVfwCompressDialogs
    HRESULT ShowDialog(int dialog, HWND parent) override {
        if (dialog == VfwCompressDialog_QueryConfig) return S_OK;
        if (dialog == VfwCompressDialog_QueryAbout) return S_FALSE;
        if (dialog != VfwCompressDialog_Config) return E_NOTIMPL;
        IUnknown* self = static_cast<IBaseFilter*>(this);
        const CLSID page = CLSID_ElementSettingsPage;
        const std::u16string caption(info_.friendlyName);
        return OleCreatePropertyFrame(parent, 0, 0, caption.c_str(), 1, &self, 1, &page, 0, 0, nullptr);
    }
    HRESULT GetState(LPVOID state, int* stateSize) override {
        if (!stateSize) return E_POINTER;
        const std::vector<std::uint8_t> image = SettingsImage();
        const int needed = static_cast<int>(image.size());
        if (!state) {
            *stateSize = needed;
            return S_OK;
        }
        if (*stateSize < needed) {
            *stateSize = needed;
            return E_INVALIDARG;
        }
        std::memcpy(state, image.data(), image.size());
        *stateSize = needed;
        return S_OK;
    }
    HRESULT SetState(LPVOID state, int stateSize) override {
        if (!state) return E_POINTER;
        if (stateSize <= 0) return E_INVALIDARG;
        return ApplySettingsImage({static_cast<const std::uint8_t*>(state), static_cast<std::size_t>(stateSize)});
    }
    HRESULT SendDriverMessage(int msg, LONG_PTR param1, LONG_PTR param2) override {
        if (msg != ICM_GETINFO) return E_NOTIMPL;
        auto* target = reinterpret_cast<ICINFO*>(param1);
        if (!target || param2 <= 0) return 0;
        ICINFO info{};
        info.dwSize = sizeof(ICINFO);
        info.fccType = ICTYPE_VIDEO;
        info.fccHandler = info_.fourcc;
        info.dwFlags = (info_.quality.property ? VIDCF_QUALITY : 0) | (info_.bitrateProperty ? VIDCF_CRUNCH : 0) |
                       (info_.keyFrameProperty ? VIDCF_TEMPORAL : 0);
        info.dwVersion = 1;
        info.dwVersionICM = ICVERSION;
        CopyInto(info.szName, 16, std::u16string(info_.friendlyName));
        CopyInto(info.szDescription, 128, std::u16string(info_.description));
        CopyInto(info.szDriver, 128, Utf8ToWide(info_.factory));
        const std::size_t bytes = std::min<std::size_t>(sizeof info, static_cast<std::size_t>(param2));
        std::memcpy(target, &info, bytes);
        return static_cast<HRESULT>(bytes);
    }

    void UpdateCaps() override {
        GstCaps* raw = gst_caps_from_string(info_.inputCaps ? info_.inputCaps : "video/x-raw");
        GstCaps* out = gst_caps_from_string(info_.outputCaps);
        const Geometry fixed = info_.inputCaps ? GeometryOfCaps(raw) : Geometry{};
        const Geometry output = ConnectionGeometry(Output());
        const Geometry input = ConnectionGeometry(Input());
        // The raw side is scaled to what the output must carry.
        Geometry scaled = chosen_.width > 0 ? chosen_ : output;
        if (!fixed.Known()) ApplyGeometry(raw, Geometry{scaled.width, scaled.height}, false);
        Geometry coded = fixed.Known() ? fixed : scaled.width > 0 ? scaled : input;
        if (!fixed.Known()) {
            coded.rateNum = input.rateNum;
            coded.rateDen = input.rateDen;
        }
        ApplyGeometry(out, coded, true);
        PinCaps(raw, out);
    }

    // The size SetFormat chose (0 x 0 for none).
    Geometry chosen_;

private:
    static void CopyInto(WCHAR* target, std::size_t capacity, const std::u16string& text) {
        const std::size_t n = std::min(text.size(), capacity - 1);
        std::memcpy(target, text.data(), n * sizeof(WCHAR));
        target[n] = 0;
    }
    static Geometry GeometryOfCaps(const GstCaps* caps) {
        Geometry g;
        const GstStructure* s = gst_caps_get_structure(caps, 0);
        gst_structure_get_int(s, "width", &g.width);
        gst_structure_get_int(s, "height", &g.height);
        gst_structure_get_fraction(s, "framerate", &g.rateNum, &g.rateDen);
        return g;
    }

    const VideoCompressorInfo& info_;
};

VideoOutputPin::VideoOutputPin(VideoCompressor* filter, GstPad* pad)
    : CBasePin(filter, pad, u"Output", nullptr), video_(filter) {}

HRESULT VideoOutputPin::QueryExtraInterface(REFIID riid, void** object) {
    if (riid == IID_IAMStreamConfig) {
        *object = static_cast<IAMStreamConfig*>(this);
    } else if (riid == IID_IAMVideoCompression) {
        *object = static_cast<IAMVideoCompression*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT VideoOutputPin::GetFormat(AM_MEDIA_TYPE** mediaType) {
    if (!mediaType) return E_POINTER;
    *mediaType = nullptr;
    std::lock_guard lock(video_->FilterLock());
    AM_MEDIA_TYPE type{};
    if (IsConnected()) {
        HRESULT hr = CopyConnectionType(&type);
        if (FAILED(hr)) return hr;
    } else {
        GstCaps* out = nullptr;
        g_object_get(video_->OutFilter(), "caps", &out, nullptr);
        const bool sized = out && gst_structure_has_field(gst_caps_get_structure(out, 0), "width");
        HRESULT hr = VFW_E_NOT_CONNECTED;
        if (sized) {
            GstCaps* fixed = FixateLinkCaps(gst_caps_ref(out), nullptr);
            hr = MediaTypeFromCaps(fixed, &type);
            gst_caps_unref(fixed);
        }
        if (out) gst_caps_unref(out);
        if (FAILED(hr)) return hr;
    }
    double bitrate = 0;
    const auto& info = video_->Info();
    if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER) && info.bitrateProperty &&
        GetNumber(video_->Encoder(), info.bitrateProperty, &bitrate))
        reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->dwBitRate = static_cast<DWORD>(bitrate * info.bitsPerBitrateUnit);
    const HRESULT hr = HandOut(type, mediaType);
    FreeMediaType(type);
    return hr;
}

HRESULT VideoOutputPin::SetFormat(AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    std::lock_guard lock(video_->FilterLock());
    if (!video_->Stopped()) return VFW_E_NOT_STOPPED;
    const auto& info = video_->Info();
    if (mediaType->majortype != MEDIATYPE_Video) return VFW_E_INVALIDMEDIATYPE;
    if (mediaType->subtype != GUID_NULL && mediaType->subtype != FourccSubtype(info.fourcc)) return VFW_E_INVALIDMEDIATYPE;
    const BITMAPINFOHEADER* header = nullptr;
    DWORD bitrate = 0;
    if (mediaType->formattype == FORMAT_VideoInfo && mediaType->pbFormat && mediaType->cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mediaType->pbFormat);
        header = &vih->bmiHeader;
        bitrate = vih->dwBitRate;
    } else if (mediaType->formattype == FORMAT_VideoInfo2 && mediaType->pbFormat &&
               mediaType->cbFormat >= sizeof(VIDEOINFOHEADER2)) {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER2*>(mediaType->pbFormat);
        header = &vih->bmiHeader;
        bitrate = vih->dwBitRate;
    } else {
        return VFW_E_INVALIDMEDIATYPE;
    }
    Geometry size;
    if (header->biWidth > 0 && header->biHeight != 0 && header->biHeight != G_MININT32) {
        size.width = header->biWidth;
        size.height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    }
    // A codec of one frame size (DV) takes no other.
    if (info.inputCaps && size.width > 0) {
        GstCaps* fixed = gst_caps_from_string(info.inputCaps);
        int w = 0, h = 0;
        gst_structure_get_int(gst_caps_get_structure(fixed, 0), "width", &w);
        gst_structure_get_int(gst_caps_get_structure(fixed, 0), "height", &h);
        gst_caps_unref(fixed);
        if (w != size.width || h != size.height) return VFW_E_INVALIDMEDIATYPE;
        size = {};
    }
    if (bitrate > 0 && info.bitrateProperty) {
        const double units = static_cast<double>(bitrate) / info.bitsPerBitrateUnit;
        if (!SetNumber(video_->Encoder(), info.bitrateProperty, units)) return E_INVALIDARG;
        if (info.quality.modeProperty) SetNumber(video_->Encoder(), info.quality.modeProperty, info.quality.bitrateMode);
        video_->SettingsChanged();
    }
    video_->chosen_ = size;
    video_->UpdateCaps();
    return video_->ReconnectOutput();
}

HRESULT VideoOutputPin::GetNumberOfCapabilities(int* count, int* size) {
    if (!count || !size) return E_POINTER;
    *count = 1;
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

HRESULT VideoOutputPin::GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* streamConfigCaps) {
    if (!mediaType || !streamConfigCaps) return E_POINTER;
    if (index < 0) return E_INVALIDARG;
    if (index > 0) return S_FALSE;
    HRESULT hr = GetFormat(mediaType);
    if (hr == VFW_E_NOT_CONNECTED) {
        // Not sized yet: the codec's type without a frame size.
        AM_MEDIA_TYPE type{};
        type.majortype = MEDIATYPE_Video;
        type.subtype = FourccSubtype(video_->Info().fourcc);
        type.formattype = FORMAT_VideoInfo;
        type.bTemporalCompression = TRUE;
        VIDEOINFOHEADER vih{};
        vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih.bmiHeader.biCompression = video_->Info().fourcc;
        vih.bmiHeader.biPlanes = 1;
        vih.bmiHeader.biBitCount = 24;
        type.cbFormat = sizeof vih;
        type.pbFormat = reinterpret_cast<BYTE*>(&vih);
        hr = HandOut(type, mediaType);
    }
    if (FAILED(hr)) return hr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    caps.guid = FORMAT_VideoInfo;
    const bool fixedSize = video_->Info().inputCaps != nullptr;
    caps.MinOutputSize = fixedSize ? SIZE{720, 480} : SIZE{16, 16};
    caps.MaxOutputSize = fixedSize ? SIZE{720, 480} : SIZE{4096, 4096};
    caps.OutputGranularityX = fixedSize ? 0 : 2;
    caps.OutputGranularityY = fixedSize ? 0 : 2;
    caps.InputSize = caps.MaxOutputSize;
    caps.MinCroppingSize = caps.MinOutputSize;
    caps.MaxCroppingSize = caps.MaxOutputSize;
    caps.MinFrameInterval = 10'000'000 / 120;
    caps.MaxFrameInterval = 10'000'000;
    std::memcpy(streamConfigCaps, &caps, sizeof caps);
    return S_OK;
}

HRESULT VideoOutputPin::PutFrameCount(const char* property, LONG value) {
    if (!property) return E_NOTIMPL;
    std::lock_guard lock(video_->FilterLock());
    double target = value;
    if (value < 0 && !DefaultNumber(video_->Encoder(), property, &target)) return E_FAIL;
    if (!SetNumber(video_->Encoder(), property, target)) return E_INVALIDARG;
    video_->SettingsChanged();
    return S_OK;
}

HRESULT VideoOutputPin::GetFrameCount(const char* property, LONG* value) {
    if (!value) return E_POINTER;
    if (!property) return E_NOTIMPL;
    double current = 0;
    if (!GetNumber(video_->Encoder(), property, &current)) return E_FAIL;
    *value = static_cast<LONG>(std::min<double>(current, G_MAXINT32));
    return S_OK;
}

HRESULT VideoOutputPin::put_KeyFrameRate(LONG keyFrameRate) { return PutFrameCount(video_->Info().keyFrameProperty, keyFrameRate); }
HRESULT VideoOutputPin::get_KeyFrameRate(LONG* keyFrameRate) { return GetFrameCount(video_->Info().keyFrameProperty, keyFrameRate); }
// The frames coded between key frames without being key frames themselves: the encoders here
// count them as B frames, which is also the capability bit this value goes with.
HRESULT VideoOutputPin::put_PFramesPerKeyFrame(LONG frames) { return PutFrameCount(video_->Info().bFramesProperty, frames); }
HRESULT VideoOutputPin::get_PFramesPerKeyFrame(LONG* frames) { return GetFrameCount(video_->Info().bFramesProperty, frames); }

HRESULT VideoOutputPin::put_Quality(double quality) {
    const QualityMapping& q = video_->Info().quality;
    if (!q.property) return E_NOTIMPL;
    if (quality > 1.0) return E_INVALIDARG;
    std::lock_guard lock(video_->FilterLock());
    GstElement* encoder = video_->Encoder();
    if (quality < 0) {
        double value = 0, mode = 0;
        DefaultNumber(encoder, q.property, &value);
        SetNumber(encoder, q.property, value);
        if (q.modeProperty && DefaultNumber(encoder, q.modeProperty, &mode)) SetNumber(encoder, q.modeProperty, mode);
    } else {
        if (!SetNumber(encoder, q.property, q.atWorst + quality * (q.atBest - q.atWorst))) return E_INVALIDARG;
        if (q.modeProperty) SetNumber(encoder, q.modeProperty, q.qualityMode);
    }
    video_->SettingsChanged();
    return S_OK;
}

HRESULT VideoOutputPin::get_Quality(double* quality) {
    if (!quality) return E_POINTER;
    const QualityMapping& q = video_->Info().quality;
    if (!q.property) return E_NOTIMPL;
    double value = 0;
    if (!GetNumber(video_->Encoder(), q.property, &value)) return E_FAIL;
    *quality = std::clamp((value - q.atWorst) / (q.atBest - q.atWorst), 0.0, 1.0);
    return S_OK;
}

// None of the encoders counts its rate window in frames.
HRESULT VideoOutputPin::put_WindowSize(DWORDLONG) { return E_NOTIMPL; }
HRESULT VideoOutputPin::get_WindowSize(DWORDLONG* windowSize) { return windowSize ? E_NOTIMPL : E_POINTER; }

HRESULT VideoOutputPin::GetInfo(LPWSTR version, int* versionSize, LPWSTR description, int* descriptionSize,
                                LONG* defaultKeyFrameRate, LONG* defaultPFramesPerKey, double* defaultQuality,
                                LONG* capabilities) {
    const auto& info = video_->Info();
    GstElement* encoder = video_->Encoder();
    CopyText(PluginVersion(encoder), version, versionSize);
    CopyText(info.description, description, descriptionSize);
    double value = 0;
    if (defaultKeyFrameRate)
        *defaultKeyFrameRate = DefaultNumber(encoder, info.keyFrameProperty, &value) ? static_cast<LONG>(value) : -1;
    if (defaultPFramesPerKey)
        *defaultPFramesPerKey = DefaultNumber(encoder, info.bFramesProperty, &value) ? static_cast<LONG>(value) : -1;
    if (defaultQuality) {
        const QualityMapping& q = info.quality;
        *defaultQuality = q.property && DefaultNumber(encoder, q.property, &value)
                              ? std::clamp((value - q.atWorst) / (q.atBest - q.atWorst), 0.0, 1.0)
                              : -1.0;
    }
    if (capabilities) {
        *capabilities = (info.quality.property ? CompressionCaps_CanQuality : 0) |
                        (info.bitrateProperty ? CompressionCaps_CanCrunch : 0) |
                        (info.keyFrameProperty ? CompressionCaps_CanKeyFrame : 0) |
                        (info.bFramesProperty ? CompressionCaps_CanBFrame : 0);
    }
    return S_OK;
}

HRESULT VideoOutputPin::OverrideKeyFrame(LONG) { return E_NOTIMPL; }
HRESULT VideoOutputPin::OverrideFrameSize(LONG, LONG) { return E_NOTIMPL; }

// --- audio ---

class AudioCompressor;

class AudioOutputPin final : public CBasePin, public IAMStreamConfig {
public:
    AudioOutputPin(AudioCompressor* filter, GstPad* pad);

    HRESULT QueryInterface(REFIID riid, void** object) override { return CBasePin::QueryInterface(riid, object); }
    ULONG AddRef() override { return CBasePin::AddRef(); }
    ULONG Release() override { return CBasePin::Release(); }

    // IAMStreamConfig
    HRESULT SetFormat(AM_MEDIA_TYPE* mediaType) override;
    HRESULT GetFormat(AM_MEDIA_TYPE** mediaType) override;
    HRESULT GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* streamConfigCaps) override;

protected:
    HRESULT QueryExtraInterface(REFIID riid, void** object) override {
        if (riid != IID_IAMStreamConfig) return E_NOINTERFACE;
        *object = static_cast<IAMStreamConfig*>(this);
        AddRef();
        return S_OK;
    }

private:
    AudioCompressor* audio_;
};

class AudioCompressor final : public Compressor<> {
public:
    AudioCompressor(const AudioCompressorInfo& info, const CompressorBin& parts)
        : Compressor(info.factory, info.friendlyName, parts), info_(info), formats_(AudioFormatsFor(info, parts.encoder)) {
        CBasePin* input = AddPin(AddGhostPad(parts.bin, parts.first, "sink", "Input"), u"Input");
        GstPad* outPad = AddGhostPad(parts.bin, parts.outFilter, "src", "Output");
        CBasePin* output = outPad ? AddPin(std::make_unique<AudioOutputPin>(this, outPad)) : nullptr;
        SetPins(input, output);
        UpdateCaps();
    }

    const AudioCompressorInfo& Info() const { return info_; }
    const std::vector<WaveFormat>& Formats() const { return formats_; }

    // The index of the offered format equal to `format` (tag, rate, channels and, for codecs
    // with a bit rate, the byte rate); -1 for none.
    int FindFormat(const WAVEFORMATEX& format) const {
        for (std::size_t i = 0; i < formats_.size(); ++i) {
            const WAVEFORMATEX& offered = Header(formats_[i]);
            if (offered.wFormatTag == format.wFormatTag && offered.nSamplesPerSec == format.nSamplesPerSec &&
                offered.nChannels == format.nChannels &&
                (info_.bitrates.empty() || offered.nAvgBytesPerSec == format.nAvgBytesPerSec))
                return static_cast<int>(i);
        }
        return -1;
    }

    HRESULT Choose(int index) {
        const WAVEFORMATEX& format = Header(formats_[static_cast<std::size_t>(index)]);
        if (info_.bitrateProperty) {
            const double units = FormatBitrate(info_, format) * 1000.0 / info_.bitsPerBitrateUnit;
            if (!SetNumber(Encoder(), info_.bitrateProperty, units)) return E_INVALIDARG;
            SettingsChanged();
        }
        chosen_ = index;
        UpdateCaps();
        return ReconnectOutput();
    }
    int Chosen() const { return chosen_; }

    void UpdateCaps() override {
        GstCaps* raw = gst_caps_from_string("audio/x-raw");
        GstCaps* out = gst_caps_from_string(info_.outputCaps);
        Geometry coded;
        if (chosen_ >= 0) {
            const WAVEFORMATEX& format = Header(formats_[static_cast<std::size_t>(chosen_)]);
            coded.sampleRate = static_cast<int>(format.nSamplesPerSec);
            coded.channels = format.nChannels;
        } else if (Output() && Output()->IsConnected()) {
            coded = ConnectionGeometry(Output());
        } else {
            coded = NearestOffered(ConnectionGeometry(Input()));
        }
        ApplyGeometry(raw, coded, false);
        ApplyGeometry(out, coded, false);
        PinCaps(raw, out);
    }

private:
    // The offered rate and channels closest to the input's: the same where the codec takes
    // them, else the same channels at the first rate offered.
    Geometry NearestOffered(const Geometry& input) const {
        if (!input.Known() || formats_.empty()) return {};
        const WAVEFORMATEX* pick = nullptr;
        for (const WaveFormat& f : formats_) {
            const WAVEFORMATEX& h = Header(f);
            if (static_cast<int>(h.nSamplesPerSec) == input.sampleRate && h.nChannels == input.channels) return input;
            if (!pick && h.nChannels == input.channels) pick = &h;
        }
        if (!pick) pick = &Header(formats_.front());
        Geometry g;
        g.sampleRate = static_cast<int>(pick->nSamplesPerSec);
        g.channels = pick->nChannels;
        return g;
    }

    const AudioCompressorInfo& info_;
    std::vector<WaveFormat> formats_;
    int chosen_ = -1;
};

AudioOutputPin::AudioOutputPin(AudioCompressor* filter, GstPad* pad)
    : CBasePin(filter, pad, u"Output", nullptr), audio_(filter) {}

HRESULT AudioOutputPin::GetFormat(AM_MEDIA_TYPE** mediaType) {
    if (!mediaType) return E_POINTER;
    *mediaType = nullptr;
    std::lock_guard lock(audio_->FilterLock());
    if (IsConnected()) {
        AM_MEDIA_TYPE type{};
        HRESULT hr = CopyConnectionType(&type);
        if (SUCCEEDED(hr)) hr = HandOut(type, mediaType);
        FreeMediaType(type);
        return hr;
    }
    if (audio_->Formats().empty()) return VFW_E_NOT_CONNECTED;
    const int index = audio_->Chosen() >= 0 ? audio_->Chosen() : 0;
    AM_MEDIA_TYPE type{};
    HRESULT hr = CreateAudioMediaType(&Header(audio_->Formats()[static_cast<std::size_t>(index)]), &type, TRUE);
    if (SUCCEEDED(hr)) hr = HandOut(type, mediaType);
    FreeMediaType(type);
    return hr;
}

HRESULT AudioOutputPin::SetFormat(AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    std::lock_guard lock(audio_->FilterLock());
    if (!audio_->Stopped()) return VFW_E_NOT_STOPPED;
    if (mediaType->majortype != MEDIATYPE_Audio || mediaType->formattype != FORMAT_WaveFormatEx || !mediaType->pbFormat ||
        mediaType->cbFormat < sizeof(WAVEFORMATEX))
        return VFW_E_INVALIDMEDIATYPE;
    WAVEFORMATEX format;
    std::memcpy(&format, mediaType->pbFormat, sizeof format);
    const int index = audio_->FindFormat(format);
    if (index < 0) return VFW_E_INVALIDMEDIATYPE;
    return audio_->Choose(index);
}

HRESULT AudioOutputPin::GetNumberOfCapabilities(int* count, int* size) {
    if (!count || !size) return E_POINTER;
    *count = static_cast<int>(audio_->Formats().size());
    *size = sizeof(AUDIO_STREAM_CONFIG_CAPS);
    return S_OK;
}

HRESULT AudioOutputPin::GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* streamConfigCaps) {
    if (!mediaType || !streamConfigCaps) return E_POINTER;
    if (index < 0) return E_INVALIDARG;
    if (static_cast<std::size_t>(index) >= audio_->Formats().size()) return S_FALSE;
    const WAVEFORMATEX& format = Header(audio_->Formats()[static_cast<std::size_t>(index)]);
    AM_MEDIA_TYPE type{};
    HRESULT hr = CreateAudioMediaType(&format, &type, TRUE);
    if (SUCCEEDED(hr)) hr = HandOut(type, mediaType);
    FreeMediaType(type);
    if (FAILED(hr)) return hr;
    AUDIO_STREAM_CONFIG_CAPS caps{};
    caps.guid = MEDIATYPE_Audio;
    caps.MinimumChannels = caps.MaximumChannels = format.nChannels;
    caps.ChannelsGranularity = 1;
    caps.MinimumBitsPerSample = caps.MaximumBitsPerSample = format.wBitsPerSample;
    caps.BitsPerSampleGranularity = 1;
    caps.MinimumSampleFrequency = caps.MaximumSampleFrequency = format.nSamplesPerSec;
    caps.SampleFrequencyGranularity = 1;
    std::memcpy(streamConfigCaps, &caps, sizeof caps);
    return S_OK;
}

}  // namespace

HRESULT CreateVideoCompressor(const VideoCompressorInfo& info, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!EnsureGstStarted()) return E_FAIL;
    CompressorBin parts;
    const bool built = info.inputCaps ? BuildBin(info.factory, {"videoconvert", "videoscale", "videorate"}, &parts)
                                      : BuildBin(info.factory, {"videoconvert", "videoscale"}, &parts);
    if (!built) return E_FAIL;
    return CreateComObject<VideoCompressor>(riid, object, info, parts);
}

HRESULT CreateAudioCompressor(const AudioCompressorInfo& info, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!EnsureGstStarted()) return E_FAIL;
    CompressorBin parts;
    if (!BuildBin(info.factory, {"audioconvert", "audioresample"}, &parts)) return E_FAIL;
    return CreateComObject<AudioCompressor>(riid, object, info, parts);
}

}  // namespace media::codecs

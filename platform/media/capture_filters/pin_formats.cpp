#include "platform/media/capture_filters/pin_formats.h"

#include <cstring>

#include "platform/media/media_caps.h"
#include "platform/media/interfaces/stream_config.h"

namespace media {
namespace {

void FillVideoCaps(const AM_MEDIA_TYPE& type, LONG standard, VIDEO_STREAM_CONFIG_CAPS* caps) {
    std::memset(caps, 0, sizeof *caps);
    caps->guid = type.formattype;
    caps->VideoStandard = static_cast<ULONG>(standard);
    if (type.formattype != FORMAT_VideoInfo || type.cbFormat < sizeof(VIDEOINFOHEADER)) return;
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    const SIZE size{vih->bmiHeader.biWidth, vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight
                                                                         : vih->bmiHeader.biHeight};
    caps->InputSize = size;
    caps->MinCroppingSize = size;
    caps->MaxCroppingSize = size;
    caps->CropGranularityX = caps->CropGranularityY = 1;
    caps->CropAlignX = caps->CropAlignY = 1;
    caps->MinOutputSize = size;
    caps->MaxOutputSize = size;
    caps->OutputGranularityX = caps->OutputGranularityY = 1;
    caps->MinFrameInterval = caps->MaxFrameInterval = vih->AvgTimePerFrame;
    caps->MinBitsPerSecond = caps->MaxBitsPerSecond = static_cast<LONG>(vih->dwBitRate);
}

void FillAudioCaps(const AM_MEDIA_TYPE& type, AUDIO_STREAM_CONFIG_CAPS* caps) {
    std::memset(caps, 0, sizeof *caps);
    caps->guid = MEDIATYPE_Audio;
    if (type.formattype != FORMAT_WaveFormatEx || type.cbFormat < sizeof(WAVEFORMATEX)) return;
    WAVEFORMATEX wfx;
    std::memcpy(&wfx, type.pbFormat, sizeof wfx);
    caps->MinimumChannels = caps->MaximumChannels = wfx.nChannels;
    caps->ChannelsGranularity = 1;
    caps->MinimumBitsPerSample = caps->MaximumBitsPerSample = wfx.wBitsPerSample;
    caps->BitsPerSampleGranularity = 8;
    caps->MinimumSampleFrequency = caps->MaximumSampleFrequency = wfx.nSamplesPerSec;
    caps->SampleFrequencyGranularity = 1;
}

}  // namespace

PinFormats::PinFormats(std::vector<GstCaps*> capabilities, int current, ApplyFunction apply, LONG videoStandard)
    : caps_(std::move(capabilities)), current_(current), apply_(std::move(apply)), videoStandard_(videoStandard) {
    if (!caps_.empty()) {
        const GstStructure* s = gst_caps_get_structure(caps_.front(), 0);
        audio_ = g_str_has_prefix(gst_structure_get_name(s), "audio/");
    }
    if (current_ < 0 || current_ >= Count()) current_ = 0;
}

PinFormats::~PinFormats() {
    for (GstCaps* c : caps_) gst_caps_unref(c);
}

int PinFormats::CapsSize() const {
    return audio_ ? static_cast<int>(sizeof(AUDIO_STREAM_CONFIG_CAPS)) : static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS));
}

GstCaps* PinFormats::CapsAt(int index) const { return index >= 0 && index < Count() ? caps_[static_cast<std::size_t>(index)] : nullptr; }

HRESULT PinFormats::Capability(int index, AM_MEDIA_TYPE** type, BYTE* streamCaps) const {
    if (!type) return E_POINTER;
    *type = nullptr;
    GstCaps* caps = CapsAt(index);
    if (!caps) return S_FALSE;
    AM_MEDIA_TYPE local{};
    const HRESULT hr = MediaTypeFromCaps(caps, &local);
    if (FAILED(hr)) return hr;
    if (streamCaps) {
        if (audio_) {
            AUDIO_STREAM_CONFIG_CAPS c;
            FillAudioCaps(local, &c);
            std::memcpy(streamCaps, &c, sizeof c);
        } else {
            VIDEO_STREAM_CONFIG_CAPS c;
            FillVideoCaps(local, videoStandard_, &c);
            std::memcpy(streamCaps, &c, sizeof c);
        }
    }
    *type = CreateMediaType(&local);
    FreeMediaType(local);
    return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT PinFormats::Current(AM_MEDIA_TYPE** type) const {
    if (caps_.empty()) return VFW_E_NO_ACCEPTABLE_TYPES;
    return Capability(current_, type, nullptr);
}

int PinFormats::Find(const AM_MEDIA_TYPE& type) const {
    GstCaps* wanted = CapsFromMediaType(type);
    if (!wanted) return -1;
    int found = -1;
    for (int i = 0; i < Count() && found < 0; ++i) {
        // A capability matches when it has every field the type names, with the same value.
        if (gst_caps_is_subset(caps_[static_cast<std::size_t>(i)], wanted)) found = i;
    }
    gst_caps_unref(wanted);
    return found;
}

HRESULT PinFormats::Apply(const AM_MEDIA_TYPE& type) {
    const int index = Find(type);
    if (index < 0) return VFW_E_INVALIDMEDIATYPE;
    if (apply_) {
        const HRESULT hr = apply_(index, caps_[static_cast<std::size_t>(index)]);
        if (FAILED(hr)) return hr;
    }
    current_ = index;
    return S_OK;
}

}  // namespace media

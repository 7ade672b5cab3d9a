// The encoders and effects the platform offers, each over one GStreamer element, with our
// own names for them. Only those whose element exists on the machine are listed (see
// devices/codec_devices.cpp); the tables themselves never change at run time.
#pragma once

#include <span>

#include "platform/media/gst.h"
#include "platform/media/media_types.h"

namespace media::codecs {

// How IAMVideoCompression's quality (0.0 worst .. 1.0 best) becomes a property value: the
// property runs linearly from `atWorst` to `atBest`. When `modeProperty` is set, setting a
// quality also switches the element's rate control to `qualityMode` (and a bit rate to
// `bitrateMode`).
struct QualityMapping {
    const char* property = nullptr;
    double atWorst = 0;
    double atBest = 0;
    const char* modeProperty = nullptr;
    int qualityMode = 0;
    int bitrateMode = 0;
};

struct VideoCompressorInfo {
    const char* factory;
    const char16_t* friendlyName;
    DWORD fourcc;                     // the codec's four-character code (ICINFO's fccHandler)
    const char* inputCaps;            // raw video the encoder is fed, or null for what it accepts
    const char* outputCaps;           // the encoder's output (its kind, and the variant where it offers several)
    const char* bitrateProperty;      // null when the codec has no bit rate
    unsigned bitsPerBitrateUnit;      // 1000 for kbit/s properties, 1 for bit/s
    const char* keyFrameProperty;     // frames between key frames; null when fixed
    const char* bFramesProperty;      // frames predicted between key frames; null when none
    QualityMapping quality;
    const char16_t* description;
};

struct AudioCompressorInfo {
    const char* factory;
    const char16_t* friendlyName;
    WORD formatTag;
    const char* bitrateProperty;      // null when the bit rate follows from the format
    unsigned bitsPerBitrateUnit;
    std::span<const unsigned> bitrates;  // kbit/s offered; empty for codecs without a bit rate
    WORD bitsPerSample;               // of the coded samples; 0 for frame-based codecs
    const char* outputCaps;           // the encoder's output
};

// Where an effect is listed besides the filter list.
enum class EffectList { FiltersOnly, VideoEffects, AudioEffects, AudioCaptureEffects };

struct EffectInfo {
    const char* factory;
    const char16_t* friendlyName;
    bool video;
    EffectList list;
    const char* inputPad;   // the element's pads that become the filter's pins
    const char* outputPad;
    bool inFilterList;      // also offered among the filters usable in chains
    const char* initialSettings;  // "property=value" set on a new filter, or null
};

std::span<const VideoCompressorInfo> VideoCompressors();
std::span<const AudioCompressorInfo> AudioCompressors();
std::span<const EffectInfo> Effects();

const VideoCompressorInfo* FindVideoCompressor(const char* factory);
const AudioCompressorInfo* FindAudioCompressor(const char* factory);
const EffectInfo* FindEffect(const char* factory);

// Whether the element factory is installed (a missing plug-in hides its entries).
bool ElementInstalled(const char* factory);

}  // namespace media::codecs

#include "platform/media/codecs/codec_table.h"

#include <cstring>

#include "platform/media/compressed_caps.h"
#include "platform/media/gst_helpers.h"

namespace media::codecs {
namespace {

// x264's rate control: "cbr" (0) follows the bit rate, "qual" (5) a constant quality factor.
constexpr QualityMapping kX264Quality{"quantizer", 50, 0, "pass", 5, 0};
// libav's: "cbr" (0) follows the bit rate, "quant" (2) a constant quantizer (31 worst, 2 best).
constexpr QualityMapping kLibavQuality{"quantizer", 31, 2, "pass", 2, 0};
constexpr QualityMapping kJpegQuality{"quality", 1, 100};

const VideoCompressorInfo kVideo[] = {
    {"x264enc", u"H.264 (x264)", MakeFourcc('H', '2', '6', '4'), nullptr,
     "video/x-h264, stream-format=(string)byte-stream, alignment=(string)au", "bitrate", 1000, "key-int-max", "bframes",
     kX264Quality, u"H.264 video (x264)"},
    {"avenc_mpeg4", u"MPEG-4 Part 2", MakeFourcc('F', 'M', 'P', '4'), nullptr, "video/mpeg, mpegversion=(int)4",
     "bitrate", 1, "gop-size", nullptr, kLibavQuality, u"MPEG-4 Part 2 video (libav)"},  // frames in order: no B-frames
    {"jpegenc", u"Motion JPEG", MakeFourcc('M', 'J', 'P', 'G'), nullptr, "image/jpeg", nullptr, 0, nullptr, nullptr,
     kJpegQuality, u"Motion JPEG video"},
    {"avenc_huffyuv", u"HuffYUV (lossless)", MakeFourcc('H', 'F', 'Y', 'U'), nullptr, "video/x-huffyuv", nullptr, 0, nullptr,
     nullptr, {}, u"HuffYUV lossless video (libav)"},
    {"avenc_ffvhuff", u"FFV Huffman (lossless)", MakeFourcc('F', 'F', 'V', 'H'), nullptr, "video/x-gst-av-ffvhuff", nullptr, 0, nullptr,
     nullptr, {}, u"Huffman lossless video (libav)"},
    {"avenc_ffv1", u"FFV1 (lossless)", MakeFourcc('F', 'F', 'V', '1'), nullptr, "video/x-ffv, ffvversion=(int)1", nullptr, 0, "gop-size",
     nullptr, {}, u"FFV1 lossless video (libav)"},
    // DV carries only its own frame: NTSC 720x480 at 29.97 frames per second, 4:1:1.
    {"avenc_dvvideo", u"DV", MakeFourcc('d', 'v', 's', 'd'),
     "video/x-raw, format=(string)Y41B, width=(int)720, height=(int)480, framerate=(fraction)30000/1001, "
     "pixel-aspect-ratio=(fraction)8/9",
     "video/x-dv, systemstream=(boolean)false", nullptr, 0, nullptr, nullptr, {}, u"DV video (libav)"},
};

constexpr unsigned kMp3Rates[] = {64, 128, 192, 256, 320};
constexpr unsigned kMp2Rates[] = {128, 192, 256, 384};
constexpr unsigned kAc3Rates[] = {192, 384, 448};

const AudioCompressorInfo kAudio[] = {
    {"lamemp3enc", u"MP3 (LAME)", WAVE_FORMAT_MPEGLAYER3, "bitrate", 1000, kMp3Rates, 0, "audio/mpeg, mpegversion=(int)1, layer=(int)3"},
    {"avenc_ac3", u"AC-3", WAVE_FORMAT_DOLBY_AC3, "bitrate", 1, kAc3Rates, 0, "audio/x-ac3"},
    {"twolamemp2enc", u"MPEG-1 Layer II", WAVE_FORMAT_MPEG, "bitrate", 1000, kMp2Rates, 0, "audio/mpeg, mpegversion=(int)1, layer=(int)2"},
    {"avenc_mp2", u"MPEG-1 Layer II (libav)", WAVE_FORMAT_MPEG, "bitrate", 1, kMp2Rates, 0, "audio/mpeg, mpegversion=(int)1, layer=(int)2"},
    {"avenc_adpcm_ima_wav", u"IMA ADPCM", WAVE_FORMAT_IMA_ADPCM, nullptr, 0, {}, 4, "audio/x-adpcm, layout=(string)dvi"},
    {"avenc_adpcm_ms", u"Microsoft ADPCM", WAVE_FORMAT_ADPCM, nullptr, 0, {}, 4, "audio/x-adpcm, layout=(string)microsoft"},
    {"alawenc", u"A-law", WAVE_FORMAT_ALAW, nullptr, 0, {}, 8, "audio/x-alaw"},
    {"mulawenc", u"\u00b5-law", WAVE_FORMAT_MULAW, nullptr, 0, {}, 8, "audio/x-mulaw"},
};

const EffectInfo kEffects[] = {
    {"videobalance", u"Picture Controls", true, EffectList::VideoEffects, "sink", "src", true, nullptr},
    {"videoflip", u"Flip and Rotate", true, EffectList::VideoEffects, "sink", "src", true, nullptr},
    {"deinterlace", u"Deinterlace", true, EffectList::VideoEffects, "sink", "src", true, "fields=top"},
    {"gamma", u"Gamma", true, EffectList::VideoEffects, "sink", "src", true, nullptr},
    {"videomedian", u"Median Denoise", true, EffectList::VideoEffects, "sink", "src", true, nullptr},
    {"timeoverlay", u"Time Overlay", true, EffectList::FiltersOnly, "video_sink", "src", true, nullptr},
    {"textoverlay", u"Text Overlay", true, EffectList::FiltersOnly, "video_sink", "src", true, nullptr},
    {"audioamplify", u"Amplify", false, EffectList::AudioEffects, "sink", "src", true, nullptr},
    {"equalizer-10bands", u"Equalizer (10 bands)", false, EffectList::AudioEffects, "sink", "src", true, nullptr},
    {"audiodynamic", u"Dynamic Range", false, EffectList::AudioEffects, "sink", "src", true, nullptr},
    {"audioecho", u"Echo", false, EffectList::AudioEffects, "sink", "src", true, nullptr},
    {"audiopanorama", u"Panorama", false, EffectList::AudioEffects, "sink", "src", true, nullptr},
    {"webrtcdsp", u"Noise Suppression and Echo Cancelling", false, EffectList::AudioCaptureEffects, "sink", "src",
     false, "echo-cancel=false"},
};

template <typename Info>
const Info* FindIn(std::span<const Info> table, const char* factory) {
    if (!factory) return nullptr;
    for (const Info& info : table)
        if (std::strcmp(info.factory, factory) == 0) return &info;
    return nullptr;
}

}  // namespace

std::span<const VideoCompressorInfo> VideoCompressors() { return kVideo; }
std::span<const AudioCompressorInfo> AudioCompressors() { return kAudio; }
std::span<const EffectInfo> Effects() { return kEffects; }

const VideoCompressorInfo* FindVideoCompressor(const char* factory) { return FindIn(VideoCompressors(), factory); }
const AudioCompressorInfo* FindAudioCompressor(const char* factory) { return FindIn(AudioCompressors(), factory); }
const EffectInfo* FindEffect(const char* factory) { return FindIn(Effects(), factory); }

bool ElementInstalled(const char* factory) {
    if (!EnsureGstStarted()) return false;
    GstElementFactory* found = gst_element_factory_find(factory);
    if (!found) return false;
    gst_object_unref(found);
    return true;
}

}  // namespace media::codecs

#include "platform/media/codecs/audio_formats.h"

#include <cstring>

#include "platform/media/compressed_caps.h"

namespace media::codecs {
namespace {

constexpr int kRates[] = {48000, 44100, 32000, 22050, 16000, 11025, 8000};
constexpr int kChannels[] = {2, 1};
// The ADPCM block the libav encoders write.
constexpr WORD kAdpcmBlock = 1024;
// The seven coefficient pairs of Microsoft ADPCM.
constexpr std::int16_t kMsAdpcmCoefficients[7][2] = {{256, 0}, {512, -256}, {0, 0},   {192, 64},
                                                     {240, 0}, {460, -208}, {392, -232}};

bool EncoderTakes(GstElement* encoder, int rate, int channels) {
    GstPad* sink = gst_element_get_static_pad(encoder, "sink");
    if (!sink) return false;
    GstCaps* accepted = gst_pad_get_pad_template_caps(sink);
    gst_object_unref(sink);
    GstCaps* wanted = gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, rate, "channels", G_TYPE_INT, channels, nullptr);
    const bool takes = gst_caps_can_intersect(accepted, wanted);
    gst_caps_unref(wanted);
    gst_caps_unref(accepted);
    return takes;
}

template <typename T>
void Append(WaveFormat& block, const T& value) {
    const std::size_t at = block.size();
    block.resize(at + sizeof(T));
    std::memcpy(block.data() + at, &value, sizeof(T));
}

WaveFormat Build(const AudioCompressorInfo& codec, int rate, int channels, unsigned kbps) {
    WAVEFORMATEX wfx{};
    wfx.wFormatTag = codec.formatTag;
    wfx.nChannels = static_cast<WORD>(channels);
    wfx.nSamplesPerSec = static_cast<DWORD>(rate);
    wfx.wBitsPerSample = codec.bitsPerSample;
    WaveFormat extra;
    switch (codec.formatTag) {
        case WAVE_FORMAT_MPEGLAYER3: {
            wfx.nAvgBytesPerSec = kbps * 1000 / 8;
            wfx.nBlockAlign = 1;
            Append<WORD>(extra, 1);                                               // wID: MPEG
            Append<DWORD>(extra, 2);                                              // fdwFlags: padding off
            Append<WORD>(extra, static_cast<WORD>(144 * kbps * 1000 / rate));     // nBlockSize
            Append<WORD>(extra, 1);                                               // nFramesPerBlock
            Append<WORD>(extra, 1393);                                            // nCodecDelay
            break;
        }
        case WAVE_FORMAT_IMA_ADPCM: {
            const WORD samplesPerBlock = static_cast<WORD>((kAdpcmBlock - 4 * channels) * 8 / (4 * channels) + 1);
            wfx.nBlockAlign = kAdpcmBlock;
            wfx.nAvgBytesPerSec = static_cast<DWORD>(rate) * kAdpcmBlock / samplesPerBlock;
            Append<WORD>(extra, samplesPerBlock);
            break;
        }
        case WAVE_FORMAT_ADPCM: {
            const WORD samplesPerBlock = static_cast<WORD>((kAdpcmBlock - 7 * channels) * 2 / channels + 2);
            wfx.nBlockAlign = kAdpcmBlock;
            wfx.nAvgBytesPerSec = static_cast<DWORD>(rate) * kAdpcmBlock / samplesPerBlock;
            Append<WORD>(extra, samplesPerBlock);
            Append<WORD>(extra, 7);
            for (const auto& pair : kMsAdpcmCoefficients) {
                Append(extra, pair[0]);
                Append(extra, pair[1]);
            }
            break;
        }
        case WAVE_FORMAT_ALAW:
        case WAVE_FORMAT_MULAW:
            wfx.nBlockAlign = static_cast<WORD>(channels);
            wfx.nAvgBytesPerSec = static_cast<DWORD>(rate * channels);
            break;
        default:
            wfx.nAvgBytesPerSec = kbps * 1000 / 8;
            wfx.nBlockAlign = 1;
            break;
    }
    wfx.cbSize = static_cast<WORD>(extra.size());
    WaveFormat block(sizeof wfx + extra.size());
    std::memcpy(block.data(), &wfx, sizeof wfx);
    if (!extra.empty()) std::memcpy(block.data() + sizeof wfx, extra.data(), extra.size());
    return block;
}

// MPEG audio below 32 kHz is the low-rate extension, which stops at 160 kbit/s.
bool BitrateFits(const AudioCompressorInfo& codec, int rate, unsigned kbps) {
    const bool mpeg = codec.formatTag == WAVE_FORMAT_MPEGLAYER3 || codec.formatTag == WAVE_FORMAT_MPEG;
    return !mpeg || rate >= 32000 || kbps <= 160;
}

}  // namespace

const WAVEFORMATEX& Header(const WaveFormat& format) { return *reinterpret_cast<const WAVEFORMATEX*>(format.data()); }

std::vector<WaveFormat> AudioFormatsFor(const AudioCompressorInfo& codec, GstElement* encoder) {
    std::vector<WaveFormat> formats;
    for (int rate : kRates) {
        for (int channels : kChannels) {
            if (!EncoderTakes(encoder, rate, channels)) continue;
            if (codec.bitrates.empty()) {
                formats.push_back(Build(codec, rate, channels, 0));
                continue;
            }
            for (unsigned kbps : codec.bitrates)
                if (BitrateFits(codec, rate, kbps)) formats.push_back(Build(codec, rate, channels, kbps));
        }
    }
    return formats;
}

unsigned FormatBitrate(const AudioCompressorInfo& codec, const WAVEFORMATEX& format) {
    if (codec.bitrates.empty()) return 0;
    return format.nAvgBytesPerSec * 8 / 1000;
}

}  // namespace media::codecs

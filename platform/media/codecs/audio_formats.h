// The WAVEFORMATEX formats an audio compressor can produce: the sample rates and channel
// counts its element takes, times the bit rates the codec is offered at. Each format carries
// the codec's standard extra bytes (MP3's MPEGLAYER3WAVEFORMAT, the ADPCM block layouts).
#pragma once

#include "platform/media/gst.h"

#include <cstdint>
#include <vector>

#include "platform/media/codecs/codec_table.h"

namespace media::codecs {

// One format: the WAVEFORMATEX and its cbSize extra bytes, as one block.
using WaveFormat = std::vector<std::uint8_t>;

const WAVEFORMATEX& Header(const WaveFormat& format);

// Most preferred first: 48 kHz before lower rates, stereo before mono, lower bit rates first.
std::vector<WaveFormat> AudioFormatsFor(const AudioCompressorInfo& codec, GstElement* encoder);

// The kbit/s a format asks of the codec (0 for codecs without a bit rate).
unsigned FormatBitrate(const AudioCompressorInfo& codec, const WAVEFORMATEX& format);

}  // namespace media::codecs

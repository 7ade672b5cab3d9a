// The compressor filters: an encoder element in a bin with the converters it needs in front
// (colour space and scaling for video, sample format, rate and channels for audio), one input
// pin and one output pin.
//
// Video compressors answer IAMVfwCompressDialogs on the filter (the settings image as the
// codec state; ICM_GETINFO), and IAMVideoCompression and IAMStreamConfig on the output pin.
// Audio compressors answer IAMStreamConfig on the output pin with the WAVEFORMATEX formats
// they produce. Both keep their element's settings through IPersistStream and offer the
// generated property page.
//
// The output's frame size and rate (video) or sample rate and channels (audio) come from, in
// this order: a format set with SetFormat, the output's connection, the input's connection.
#pragma once

#include "platform/media/codecs/codec_table.h"

namespace media::codecs {

HRESULT CreateVideoCompressor(const VideoCompressorInfo& info, REFIID riid, void** object);
HRESULT CreateAudioCompressor(const AudioCompressorInfo& info, REFIID riid, void** object);

}  // namespace media::codecs

// The stream formats the virtual TV card and the virtual DV camcorder offer.
#pragma once

#include <string>
#include <vector>

#include "platform/com/types.h"

namespace media {

enum class VideoEncoding { YUY2, I420, RGB24, MJPG, RGB32 };

struct VideoFormat {
    VideoEncoding encoding = VideoEncoding::YUY2;
    int width = 640;
    int height = 480;
    int fpsNumerator = 30000;
    int fpsDenominator = 1001;

    // Frame duration in 100 ns units, rounded (333667 for 29.97 fps).
    REFERENCE_TIME FrameDuration() const;
    bool operator==(const VideoFormat&) const = default;
};

struct AudioFormat {
    int sampleRate = 48000;
    int channels = 2;
    int bitsPerSample = 16;
    bool operator==(const AudioFormat&) const = default;
};

enum class DvSystem { NTSC, PAL };

// Sizes 320x240 to 1920x1080 in YUY2, I420, RGB24 and MJPG at 29.97, 30 and 25 fps; the
// first entry is the default (640x480 YUY2 at 29.97 fps).
const std::vector<VideoFormat>& VideoCapabilities();
bool IsVideoCapability(const VideoFormat& format);

// What the preview output offers: RGB32 at every size and rate first, as a display takes it
// without conversion, then every capture capability; the first entry is the default (640x480
// RGB32 at 29.97 fps).
const std::vector<VideoFormat>& PreviewCapabilities();
bool IsPreviewCapability(const VideoFormat& format);

// 16-bit PCM at 48000 and 44100 Hz, stereo and mono; the first entry is the default.
const std::vector<AudioFormat>& AudioCapabilities();
bool IsAudioCapability(const AudioFormat& format);

// Bytes of one DV frame: 120000 for NTSC, 144000 for PAL.
int DvFrameBytes(DvSystem system);
REFERENCE_TIME DvFrameDuration(DvSystem system);

// What the card shows and plays for a tuned channel: the caption names the channel and its
// picture carrier ("CH 5  177.250 MHz"; the channel alone when no carrier is known).
std::string ChannelCaption(LONG channel, LONG pictureHz = 0);
double ToneFrequencyForChannel(LONG channel);

}  // namespace media

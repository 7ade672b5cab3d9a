#include "platform/media/virtual_card/card_formats.h"

#include <algorithm>
#include <cstdio>

namespace media {

REFERENCE_TIME VideoFormat::FrameDuration() const {
    const long long num = 10'000'000LL * fpsDenominator;
    return (num + fpsNumerator / 2) / fpsNumerator;
}

namespace {

// Every size and rate of the card in one encoding, in the order the lists hand them out.
void AddEverySizeAndRate(VideoEncoding encoding, std::vector<VideoFormat>* out) {
    struct Size {
        int w, h;
    };
    struct Rate {
        int n, d;
    };
    constexpr Size kSizes[] = {{640, 480}, {320, 240}, {352, 240}, {352, 288}, {720, 480},
                               {720, 576}, {800, 600}, {1024, 768}, {1280, 720}, {1920, 1080}};
    constexpr Rate kRates[] = {{30000, 1001}, {30, 1}, {25, 1}};
    for (Size s : kSizes)
        for (Rate r : kRates) out->push_back({encoding, s.w, s.h, r.n, r.d});
}

bool Contains(const std::vector<VideoFormat>& list, const VideoFormat& format) {
    return std::find(list.begin(), list.end(), format) != list.end();
}

}  // namespace

const std::vector<VideoFormat>& VideoCapabilities() {
    static const std::vector<VideoFormat> list = [] {
        std::vector<VideoFormat> out;
        for (VideoEncoding e : {VideoEncoding::YUY2, VideoEncoding::I420, VideoEncoding::RGB24, VideoEncoding::MJPG})
            AddEverySizeAndRate(e, &out);
        return out;
    }();
    return list;
}

bool IsVideoCapability(const VideoFormat& format) { return Contains(VideoCapabilities(), format); }

const std::vector<VideoFormat>& PreviewCapabilities() {
    static const std::vector<VideoFormat> list = [] {
        std::vector<VideoFormat> out;
        AddEverySizeAndRate(VideoEncoding::RGB32, &out);
        out.insert(out.end(), VideoCapabilities().begin(), VideoCapabilities().end());
        return out;
    }();
    return list;
}

bool IsPreviewCapability(const VideoFormat& format) { return Contains(PreviewCapabilities(), format); }

const std::vector<AudioFormat>& AudioCapabilities() {
    static const std::vector<AudioFormat> list = {{48000, 2, 16}, {48000, 1, 16}, {44100, 2, 16}, {44100, 1, 16}};
    return list;
}

bool IsAudioCapability(const AudioFormat& format) {
    const auto& caps = AudioCapabilities();
    return std::find(caps.begin(), caps.end(), format) != caps.end();
}

int DvFrameBytes(DvSystem system) { return system == DvSystem::NTSC ? 120000 : 144000; }

REFERENCE_TIME DvFrameDuration(DvSystem system) { return system == DvSystem::NTSC ? 333667 : 400000; }

std::string ChannelCaption(LONG channel, LONG pictureHz) {
    char text[48];
    if (pictureHz > 0) {
        // Whole kHz: an override may lie anywhere, not just on the plan's quarter megahertz.
        const long kHz = static_cast<long>(pictureHz) / 1000;
        std::snprintf(text, sizeof text, "CH %d  %ld.%03ld MHz", static_cast<int>(channel), kHz / 1000, kHz % 1000);
    } else {
        std::snprintf(text, sizeof text, "CH %d", static_cast<int>(channel));
    }
    return text;
}

// One tone per channel, 25 Hz apart, all well inside the audible band (325 Hz for channel 1,
// 3425 Hz for channel 125).
double ToneFrequencyForChannel(LONG channel) { return 300.0 + 25.0 * std::clamp<LONG>(channel, 0, 200); }

}  // namespace media

#include "platform/media/virtual_card/card_caps.h"

namespace media {
namespace {

const char* RawFormatName(VideoEncoding encoding) {
    switch (encoding) {
        case VideoEncoding::YUY2: return "YUY2";
        case VideoEncoding::RGB24: return "BGR";
        case VideoEncoding::RGB32: return "BGRx";
        case VideoEncoding::I420:
        case VideoEncoding::MJPG: break;
    }
    return "I420";
}

GstCaps* Sized(const char* media, const VideoFormat& f) {
    return gst_caps_new_simple(media, "width", G_TYPE_INT, f.width, "height", G_TYPE_INT, f.height, "framerate",
                               GST_TYPE_FRACTION, f.fpsNumerator, f.fpsDenominator, "pixel-aspect-ratio",
                               GST_TYPE_FRACTION, 1, 1, nullptr);
}

}  // namespace

GstCaps* VideoCapsFor(const VideoFormat& format) {
    if (format.encoding == VideoEncoding::MJPG) return Sized("image/jpeg", format);
    GstCaps* caps = Sized("video/x-raw", format);
    gst_caps_set_simple(caps, "format", G_TYPE_STRING, RawFormatName(format.encoding), nullptr);
    return caps;
}

GstCaps* ProcessingCapsFor(const VideoFormat& format) {
    GstCaps* caps = Sized("video/x-raw", format);
    gst_caps_set_simple(caps, "format", G_TYPE_STRING, "I420", nullptr);
    return caps;
}

GstCaps* AudioCapsFor(const AudioFormat& format) {
    return gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout", G_TYPE_STRING, "interleaved",
                               "rate", G_TYPE_INT, format.sampleRate, "channels", G_TYPE_INT, format.channels, nullptr);
}

}  // namespace media

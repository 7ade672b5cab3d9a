#include "platform/media/asf/asf_stream_chains.h"

#include <mutex>

#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/windows_media.h"

namespace media {

namespace {

bool Available(const char* factory) {
    GstElementFactory* found = gst_element_factory_find(factory);
    if (found) gst_object_unref(found);
    return found != nullptr;
}

// The deinterlace element's enumerations.
constexpr int kModeForced = 1;
constexpr int kFieldsAll = 0;
constexpr int kFieldsTop = 1;
constexpr int kMethodGreedyH = 1;
constexpr int kMethodLinear = 4;

GstElement* Deinterlacer(int method, int fields) {
    GstElement* e = MakeElement("deinterlace", nullptr);
    if (e) g_object_set(e, "mode", kModeForced, "method", method, "fields", fields, nullptr);
    return e;
}

// Chains that end in a null element (a missing plugin) give nothing, releasing the rest.
std::vector<GstElement*> Complete(std::vector<GstElement*> chain) {
    for (GstElement* e : chain) {
        if (e) continue;
        for (GstElement* other : chain)
            if (other) gst_object_unref(gst_object_ref_sink(other));
        return {};
    }
    return chain;
}

GstElement* CapsFilter(GstCaps* caps) {
    GstElement* filter = MakeElement("capsfilter", nullptr);
    if (filter) SetFilterCaps(filter, caps);
    else gst_caps_unref(caps);
    return filter;
}

}  // namespace

std::vector<GstElement*> MakeDeinterlaceElements(DWORD deinterlaceMode) {
    static std::once_flag noDeinterlacer, noInverseTelecine;
    switch (deinterlaceMode) {
        case WM_DM_NOTINTERLACED:
            return {};
        case WM_DM_DEINTERLACE_INVERSETELECINE:
            if (Available("ivtc")) return Complete({MakeElement("ivtc", nullptr)});
            std::call_once(noInverseTelecine, [] {
                g_message("ASF writer: inverse telecine is not available (no \"ivtc\" element); frames are written as they come");
            });
            return {};
        default:
            break;
    }
    if (!Available("deinterlace")) {
        std::call_once(noDeinterlacer, [] {
            g_message("ASF writer: no \"deinterlace\" element; interlaced frames are written as they come");
        });
        return {};
    }
    switch (deinterlaceMode) {
        case WM_DM_DEINTERLACE_NORMAL:
            return Complete({Deinterlacer(kMethodGreedyH, kFieldsTop)});
        case WM_DM_DEINTERLACE_HALFSIZE:
            return Complete({Deinterlacer(kMethodLinear, kFieldsTop)});
        default:  // the double-rate modes: a picture per field, brought back to the profile's rate later
            return Complete({Deinterlacer(kMethodLinear, kFieldsAll)});
    }
}

std::vector<GstElement*> MakeVideoEncodeElements(const WmVideoStream& video) {
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT, video.width,
                                        "height", G_TYPE_INT, video.height, "framerate", GST_TYPE_FRACTION,
                                        video.fpsNumerator, video.fpsDenominator, "pixel-aspect-ratio",
                                        GST_TYPE_FRACTION, 1, 1, nullptr);
    GstElement* encoder = MakeElement("avenc_wmv2", nullptr);
    if (encoder) g_object_set(encoder, "bitrate", video.bitrate, nullptr);
    return Complete({MakeElement("videoconvert", nullptr), MakeElement("videoscale", nullptr),
                     MakeElement("videorate", nullptr), CapsFilter(caps), encoder, MakeElement("queue", nullptr)});
}

std::vector<GstElement*> MakeAudioEncodeElements(const WmAudioStream& audio) {
    GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "F32LE", "layout", G_TYPE_STRING,
                                        "interleaved", "rate", G_TYPE_INT, audio.sampleRate, "channels", G_TYPE_INT,
                                        audio.channels, nullptr);
    GstElement* encoder = MakeElement("avenc_wmav2", nullptr);
    if (encoder) g_object_set(encoder, "bitrate", audio.bitrate, nullptr);
    // libav's WMA encoder reads past its input when a buffer holds more than its frame at some
    // rates (22050 Hz mono with 1102 samples or more), so the sound reaches it in 20-ms pieces.
    GstElement* pieces = MakeElement("audiobuffersplit", nullptr);
    if (pieces) gst_util_set_object_arg(G_OBJECT(pieces), "output-buffer-duration", "1/50");
    return Complete({MakeElement("audioconvert", nullptr), MakeElement("audioresample", nullptr), CapsFilter(caps),
                     pieces, encoder, MakeElement("queue", nullptr)});
}

}  // namespace media

#include "platform/media/asf/wm_profiles.h"

#include "platform/media/gst.h"

#include <gst/video/video.h>

#include <cstdlib>
#include <cstring>

#include "platform/com/wide_text.h"

namespace media {

namespace {

WmProfileSettings AudioVideo(std::u16string name, WmVideoStream video, WmAudioStream audio) {
    WmProfileSettings p;
    p.name = std::move(name);
    p.video = video;
    p.audio = audio;
    return p;
}

std::vector<WmProfileSettings> BuildSystemProfiles() {
    std::vector<WmProfileSettings> list;
    list.push_back(AudioVideo(u"Windows Media Video 8 for Local Area Network (768 Kbps)", {704000, 640, 480, 30, 1},
                              {64000, 44100, 2}));
    list.push_back(AudioVideo(u"Windows Media Video 8 for Broadband (PAL, 700 Kbps)", {636000, 384, 288, 25, 1},
                              {64000, 44100, 2}));
    list.push_back(AudioVideo(u"Windows Media Video 8 for Broadband (340 Kbps)", {308000, 320, 240, 30, 1},
                              {32000, 44100, 2}));
    list.push_back(AudioVideo(u"Windows Media Video 8 for Dial-up Modems (56 Kbps)", {32000, 176, 144, 15, 1},
                              {24000, 22050, 1}));
    WmProfileSettings audioOnly;
    audioOnly.name = u"Windows Media Audio 8 for CD Quality (128 Kbps)";
    audioOnly.audio = WmAudioStream{128000, 44100, 2};
    list.push_back(std::move(audioOnly));
    return list;
}

// ---- ".prx" text --------------------------------------------------------------------------

constexpr char kAudioMajorType[] = "{73647561-0000-0010-8000-00aa00389b71}";
constexpr char kVideoMajorType[] = "{73646976-0000-0010-8000-00aa00389b71}";

enum class StreamKind { None, Audio, Video };

struct PrxReader {
    WmProfileSettings profile;
    bool sawProfile = false;
    bool broken = false;
    StreamKind stream = StreamKind::None;
    long streamBitrate = 0;
    WmAudioStream audio;
    WmVideoStream video;
    long avgTimePerFrame = 0;
};

// Attribute names in profile files are written in varying case.
const char* Attribute(const gchar** names, const gchar** values, const char* wanted) {
    for (int i = 0; names[i]; ++i)
        if (g_ascii_strcasecmp(names[i], wanted) == 0) return values[i];
    return nullptr;
}

long Number(const gchar** names, const gchar** values, const char* wanted) {
    const char* text = Attribute(names, values, wanted);
    if (!text || !*text) return 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return end && *end == '\0' ? value : 0;
}

bool Is(const gchar* element, const char* name) { return g_ascii_strcasecmp(element, name) == 0; }

void StartElement(GMarkupParseContext*, const gchar* element, const gchar** names, const gchar** values,
                  gpointer data, GError**) {
    auto& r = *static_cast<PrxReader*>(data);
    if (Is(element, "profile")) {
        r.sawProfile = true;
        if (const char* name = Attribute(names, values, "name")) r.profile.name = Utf8ToWide(name);
        if (const char* description = Attribute(names, values, "description"))
            r.profile.description = Utf8ToWide(description);
    } else if (Is(element, "streamconfig")) {
        const char* major = Attribute(names, values, "majortype");
        r.stream = !major ? StreamKind::None
                   : g_ascii_strcasecmp(major, kAudioMajorType) == 0 ? StreamKind::Audio
                   : g_ascii_strcasecmp(major, kVideoMajorType) == 0 ? StreamKind::Video
                                                                      : StreamKind::None;
        if (r.stream == StreamKind::None) r.broken = true;
        r.streamBitrate = Number(names, values, "bitrate");
        r.audio = {};
        r.video = {};
        r.avgTimePerFrame = 0;
    } else if (Is(element, "waveformatex") && r.stream == StreamKind::Audio) {
        r.audio.channels = static_cast<int>(Number(names, values, "nChannels"));
        r.audio.sampleRate = static_cast<int>(Number(names, values, "nSamplesPerSec"));
        r.audio.bitrate = static_cast<int>(Number(names, values, "nAvgBytesPerSec") * 8);
    } else if (Is(element, "videoinfoheader") && r.stream == StreamKind::Video) {
        r.avgTimePerFrame = Number(names, values, "avgtimeperframe");
        r.video.bitrate = static_cast<int>(Number(names, values, "dwbitrate"));
    } else if (Is(element, "bitmapinfoheader") && r.stream == StreamKind::Video) {
        r.video.width = static_cast<int>(Number(names, values, "biwidth"));
        r.video.height = static_cast<int>(std::labs(Number(names, values, "biheight")));
    }
}

void EndElement(GMarkupParseContext*, const gchar* element, gpointer data, GError**) {
    auto& r = *static_cast<PrxReader*>(data);
    if (!Is(element, "streamconfig")) return;
    if (r.stream == StreamKind::Audio) {
        if (r.streamBitrate > 0) r.audio.bitrate = static_cast<int>(r.streamBitrate);
        if (r.profile.audio) r.broken = true;  // the writer has one input of each kind
        r.profile.audio = r.audio;
    } else if (r.stream == StreamKind::Video) {
        if (r.streamBitrate > 0) r.video.bitrate = static_cast<int>(r.streamBitrate);
        if (r.avgTimePerFrame > 0) {
            gst_video_guess_framerate(static_cast<GstClockTime>(r.avgTimePerFrame) * 100, &r.video.fpsNumerator,
                                      &r.video.fpsDenominator);
        }
        if (r.profile.video) r.broken = true;
        r.profile.video = r.video;
    }
    r.stream = StreamKind::None;
}

}  // namespace

const std::vector<WmProfileSettings>& SystemWmProfiles() {
    static const std::vector<WmProfileSettings> profiles = BuildSystemProfiles();
    return profiles;
}

bool IsUsable(const WmProfileSettings& profile) {
    if (profile.name.empty() || (!profile.audio && !profile.video)) return false;
    if (const auto& v = profile.video) {
        const bool size = v->width >= 16 && v->width <= 4096 && v->height >= 16 && v->height <= 4096 &&
                          v->width % 2 == 0 && v->height % 2 == 0;
        if (!size || v->bitrate <= 0 || v->fpsNumerator <= 0 || v->fpsDenominator <= 0) return false;
    }
    if (const auto& a = profile.audio) {
        if (a->bitrate <= 0 || a->channels < 1 || a->channels > 2 || a->sampleRate < 8000 || a->sampleRate > 96000)
            return false;
    }
    return true;
}

std::optional<WmProfileSettings> ParsePrxProfile(std::string_view xml) {
    static const GMarkupParser parser = {StartElement, EndElement, nullptr, nullptr, nullptr};
    PrxReader reader;
    GMarkupParseContext* context = g_markup_parse_context_new(&parser, G_MARKUP_TREAT_CDATA_AS_TEXT, &reader, nullptr);
    GError* error = nullptr;
    const bool parsed = g_markup_parse_context_parse(context, xml.data(), static_cast<gssize>(xml.size()), &error) &&
                        g_markup_parse_context_end_parse(context, &error);
    g_clear_error(&error);
    g_markup_parse_context_free(context);
    if (!parsed || !reader.sawProfile || reader.broken || !IsUsable(reader.profile)) return std::nullopt;
    return reader.profile;
}

}  // namespace media

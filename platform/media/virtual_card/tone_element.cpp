#include "platform/media/virtual_card/tone_element.h"

#include <gst/audio/audio.h>
#include <gst/base/gstpushsrc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <numbers>
#include <numeric>

namespace media {
namespace {

// What the element shares between the thread that sets the tone and the streaming thread.
struct ToneSettings {
    std::mutex mutex;
    long hertz = 440;
    double volume = 0.8;
    bool changed = true;
};

// The samples one cycle holds and where the stream is in it (streaming thread only).
struct ToneCycle {
    GstBuffer* samples = nullptr;  // `frames` frames of the cycle, then `perBuffer` more that repeat its start
    int frames = 0;
    int position = 0;
    guint64 nextSample = 0;
};

}  // namespace
}  // namespace media

extern "C" {

struct QdToneElement {
    GstPushSrc parent;
    media::ToneSettings* settings;
    media::ToneCycle* cycle;
    int perBuffer;
    int rate;
    int channels;
};

struct QdToneElementClass {
    GstPushSrcClass parent_class;
};

G_DEFINE_TYPE(QdToneElement, qd_tone_element, GST_TYPE_PUSH_SRC)

}  // extern "C"

namespace media {
namespace {

QdToneElement* AsTone(gpointer object) { return reinterpret_cast<QdToneElement*>(object); }

// Frames after which a tone of `hertz` repeats exactly at `rate`: rate / gcd(rate, hertz).
int CycleFrames(int rate, long hertz) {
    if (hertz <= 0) return 1;
    return rate / static_cast<int>(std::gcd(static_cast<long>(rate), hertz));
}

GstBuffer* MakeCycle(int rate, int channels, long hertz, double volume, int frames, int extra) {
    const gsize total = static_cast<gsize>(frames + extra) * static_cast<gsize>(channels);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, total * sizeof(std::int16_t), nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    auto* out = reinterpret_cast<std::int16_t*>(map.data);
    const double amplitude = std::clamp(volume, 0.0, 1.0) * 32767.0;
    for (int i = 0; i < frames + extra; ++i) {
        // Whole periods in `frames`: the phase of frame i is that of frame i mod frames.
        const long inCycle = i % frames;
        const double phase = 2.0 * std::numbers::pi * static_cast<double>((inCycle * hertz) % rate) / rate;
        const auto sample = static_cast<std::int16_t>(std::lround(amplitude * std::sin(phase)));
        for (int c = 0; c < channels; ++c) *out++ = sample;
    }
    gst_buffer_unmap(buffer, &map);
    return buffer;
}

void DropCycle(ToneCycle* cycle) {
    if (cycle->samples) gst_buffer_unref(cycle->samples);
    cycle->samples = nullptr;
    cycle->frames = 0;
    cycle->position = 0;
}

void RebuildIfChanged(QdToneElement* tone) {
    long hertz;
    double volume;
    {
        std::lock_guard lock(tone->settings->mutex);
        if (!tone->settings->changed && tone->cycle->samples) return;
        tone->settings->changed = false;
        hertz = tone->settings->hertz;
        volume = tone->settings->volume;
    }
    DropCycle(tone->cycle);
    tone->cycle->frames = CycleFrames(tone->rate, hertz);
    tone->cycle->samples = MakeCycle(tone->rate, tone->channels, hertz, volume, tone->cycle->frames, tone->perBuffer);
}

gboolean SetCaps(GstBaseSrc* src, GstCaps* caps) {
    QdToneElement* tone = AsTone(src);
    GstAudioInfo info;
    if (!gst_audio_info_from_caps(&info, caps) || GST_AUDIO_INFO_FORMAT(&info) != GST_AUDIO_FORMAT_S16LE) return FALSE;
    tone->rate = GST_AUDIO_INFO_RATE(&info);
    tone->channels = GST_AUDIO_INFO_CHANNELS(&info);
    DropCycle(tone->cycle);
    return TRUE;
}

gboolean Start(GstBaseSrc* src) {
    QdToneElement* tone = AsTone(src);
    tone->cycle->nextSample = 0;
    tone->cycle->position = 0;
    return TRUE;
}

gboolean Stop(GstBaseSrc* src) {
    DropCycle(AsTone(src)->cycle);
    return TRUE;
}

// A live source waits for the clock to reach each buffer's start.
void GetTimes(GstBaseSrc*, GstBuffer* buffer, GstClockTime* start, GstClockTime* end) {
    *start = GST_BUFFER_PTS(buffer);
    *end = GST_CLOCK_TIME_IS_VALID(*start) ? *start + GST_BUFFER_DURATION(buffer) : GST_CLOCK_TIME_NONE;
}

GstFlowReturn Create(GstPushSrc* src, GstBuffer** out) {
    QdToneElement* tone = AsTone(src);
    if (tone->rate <= 0 || tone->channels <= 0) return GST_FLOW_NOT_NEGOTIATED;
    RebuildIfChanged(tone);
    ToneCycle& cycle = *tone->cycle;
    const gsize frameBytes = static_cast<gsize>(tone->channels) * sizeof(std::int16_t);
    GstBuffer* buffer = gst_buffer_copy_region(cycle.samples, GST_BUFFER_COPY_MEMORY,
                                               static_cast<gsize>(cycle.position) * frameBytes,
                                               static_cast<gsize>(tone->perBuffer) * frameBytes);
    if (!buffer) return GST_FLOW_ERROR;
    const guint64 first = cycle.nextSample;
    const guint64 next = first + static_cast<guint64>(tone->perBuffer);
    const auto rate = static_cast<guint64>(tone->rate);
    GST_BUFFER_PTS(buffer) = gst_util_uint64_scale_int(first, GST_SECOND, static_cast<gint>(rate));
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale_int(next, GST_SECOND, static_cast<gint>(rate)) - GST_BUFFER_PTS(buffer);
    GST_BUFFER_OFFSET(buffer) = first;
    GST_BUFFER_OFFSET_END(buffer) = next;
    if (first == 0) GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
    cycle.nextSample = next;
    cycle.position = (cycle.position + tone->perBuffer) % cycle.frames;
    *out = buffer;
    return GST_FLOW_OK;
}

enum ToneProperty : guint { kPropFreq = 1, kPropVolume };

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    ToneSettings& settings = *AsTone(object)->settings;
    std::lock_guard lock(settings.mutex);
    switch (id) {
    case kPropFreq: settings.hertz = std::lround(g_value_get_double(value)); break;
    case kPropVolume: settings.volume = g_value_get_double(value); break;
    default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec); return;
    }
    settings.changed = true;
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    ToneSettings& settings = *AsTone(object)->settings;
    std::lock_guard lock(settings.mutex);
    switch (id) {
    case kPropFreq: g_value_set_double(value, static_cast<double>(settings.hertz)); break;
    case kPropVolume: g_value_set_double(value, settings.volume); break;
    default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec); break;
    }
}

void Finalize(GObject* object) {
    QdToneElement* tone = AsTone(object);
    DropCycle(tone->cycle);
    delete tone->cycle;
    delete tone->settings;
    G_OBJECT_CLASS(qd_tone_element_parent_class)->finalize(object);
}

}  // namespace
}  // namespace media

static void qd_tone_element_class_init(QdToneElementClass* klass) {
    GObjectClass* object = G_OBJECT_CLASS(klass);
    object->finalize = media::Finalize;
    object->set_property = media::SetProperty;
    object->get_property = media::GetProperty;
    const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS);
    g_object_class_install_property(object, media::kPropFreq,
                                    g_param_spec_double("freq", "Frequency", "Pitch in whole hertz", 0.0, 20000.0, 440.0, flags));
    g_object_class_install_property(object, media::kPropVolume,
                                    g_param_spec_double("volume", "Volume", "Of full scale", 0.0, 1.0, 0.8, flags));
    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(element, "Quilldeck tone", "Source/Audio", "A live sine tone from one cycle",
                                          "Quilldeck");
    static GstStaticPadTemplate src = GST_STATIC_PAD_TEMPLATE(
        "src", GST_PAD_SRC, GST_PAD_ALWAYS,
        GST_STATIC_CAPS("audio/x-raw, format=(string)S16LE, layout=(string)interleaved, rate=(int)[1, 192000], "
                        "channels=(int)[1, 8]"));
    gst_element_class_add_static_pad_template(element, &src);
    GstBaseSrcClass* base = GST_BASE_SRC_CLASS(klass);
    base->set_caps = media::SetCaps;
    base->start = media::Start;
    base->stop = media::Stop;
    base->get_times = media::GetTimes;
    GST_PUSH_SRC_CLASS(klass)->create = media::Create;
}

static void qd_tone_element_init(QdToneElement* tone) {
    tone->settings = new media::ToneSettings();
    tone->cycle = new media::ToneCycle();
    tone->perBuffer = 480;
    tone->rate = 0;
    tone->channels = 0;
    gst_base_src_set_live(GST_BASE_SRC(tone), TRUE);
    gst_base_src_set_format(GST_BASE_SRC(tone), GST_FORMAT_TIME);
}

namespace media {

GstElement* MakeToneElement(const char* name, int samplesPerBuffer) {
    GstElement* element = GST_ELEMENT(g_object_new(qd_tone_element_get_type(), "name", name, nullptr));
    AsTone(element)->perBuffer = samplesPerBuffer > 0 ? samplesPerBuffer : 480;
    return element;
}

}  // namespace media

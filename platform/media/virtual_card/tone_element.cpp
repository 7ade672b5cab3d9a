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
    guint bufferBytes = 0;
    int rate = 0;  // of the negotiated format, 0 before it
    int channels = 0;
    bool changed = true;
};

// The streaming thread's wait for a buffer's last sample, and what may cut it short: a flush
// or state change (unlock), or an end of stream sent to the element.
struct ToneWait {
    std::mutex mutex;
    GstClockID id = nullptr;
    bool flushing = false;
    bool endRequested = false;
};

enum class Wake { Captured, Flushing, Ending };

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
    media::ToneWait* wait;
    // Streaming thread only: the format and buffer size the cycle was made for.
    int perBuffer;
    int rate;
    int channels;
    bool ended;  // the end of stream's last samples went out
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
    guint bufferBytes;
    {
        std::lock_guard lock(tone->settings->mutex);
        if (!tone->settings->changed && tone->cycle->samples) return;
        tone->settings->changed = false;
        hertz = tone->settings->hertz;
        volume = tone->settings->volume;
        bufferBytes = tone->settings->bufferBytes;
    }
    DropCycle(tone->cycle);
    tone->perBuffer = ToneSamplesPerBuffer(bufferBytes, tone->rate, tone->channels);
    tone->cycle->frames = CycleFrames(tone->rate, hertz);
    tone->cycle->samples = MakeCycle(tone->rate, tone->channels, hertz, volume, tone->cycle->frames, tone->perBuffer);
}

gboolean SetCaps(GstBaseSrc* src, GstCaps* caps) {
    QdToneElement* tone = AsTone(src);
    GstAudioInfo info;
    if (!gst_audio_info_from_caps(&info, caps) || GST_AUDIO_INFO_FORMAT(&info) != GST_AUDIO_FORMAT_S16LE) return FALSE;
    tone->rate = GST_AUDIO_INFO_RATE(&info);
    tone->channels = GST_AUDIO_INFO_CHANNELS(&info);
    {
        std::lock_guard lock(tone->settings->mutex);
        tone->settings->rate = tone->rate;
        tone->settings->channels = tone->channels;
    }
    DropCycle(tone->cycle);
    return TRUE;
}

gboolean Start(GstBaseSrc* src) {
    QdToneElement* tone = AsTone(src);
    tone->cycle->nextSample = 0;
    tone->cycle->position = 0;
    tone->ended = false;
    std::lock_guard lock(tone->wait->mutex);
    tone->wait->endRequested = false;
    return TRUE;
}

gboolean Stop(GstBaseSrc* src) {
    DropCycle(AsTone(src)->cycle);
    return TRUE;
}

GstClockTime SampleTime(guint64 sample, int rate) { return gst_util_uint64_scale_int(sample, GST_SECOND, rate); }

// Waits until the pipeline clock reaches `runningTime`, as a capture device waits for its
// buffer to fill. Without a clock there is nothing to wait for.
Wake WaitUntil(QdToneElement* tone, GstClockTime runningTime) {
    GstElement* element = GST_ELEMENT(tone);
    ToneWait& wait = *tone->wait;
    GstClock* clock = gst_element_get_clock(element);
    GstClockID id = clock ? gst_clock_new_single_shot_id(clock, gst_element_get_base_time(element) + runningTime) : nullptr;
    {
        std::lock_guard lock(wait.mutex);
        if (wait.flushing || wait.endRequested || !id) {
            if (id) gst_clock_id_unref(id);
            if (clock) gst_object_unref(clock);
            return wait.flushing ? Wake::Flushing : wait.endRequested ? Wake::Ending : Wake::Captured;
        }
        wait.id = id;
    }
    gst_clock_id_wait(id, nullptr);
    Wake wake;
    {
        std::lock_guard lock(wait.mutex);
        wait.id = nullptr;
        wake = wait.flushing ? Wake::Flushing : wait.endRequested ? Wake::Ending : Wake::Captured;
    }
    gst_clock_id_unref(id);
    gst_object_unref(clock);
    return wake;
}

// How many of the buffer's `wanted` samples from `first` on the clock has passed by now.
int SamplesCapturedSoFar(QdToneElement* tone, guint64 first, int wanted) {
    GstElement* element = GST_ELEMENT(tone);
    GstClock* clock = gst_element_get_clock(element);
    if (!clock) return wanted;
    const GstClockTime now = gst_clock_get_time(clock);
    gst_object_unref(clock);
    const GstClockTime base = gst_element_get_base_time(element);
    const guint64 passed = now > base ? gst_util_uint64_scale_int(now - base, tone->rate, GST_SECOND) : 0;
    if (passed <= first) return 0;
    return static_cast<int>(std::min<guint64>(passed - first, static_cast<guint64>(wanted)));
}

// `count` samples from the cycle's current position, stamped as samples `first` on.
GstBuffer* CutSamples(QdToneElement* tone, guint64 first, int count) {
    ToneCycle& cycle = *tone->cycle;
    const gsize frameBytes = static_cast<gsize>(tone->channels) * sizeof(std::int16_t);
    GstBuffer* buffer = gst_buffer_copy_region(cycle.samples, GST_BUFFER_COPY_MEMORY,
                                               static_cast<gsize>(cycle.position) * frameBytes,
                                               static_cast<gsize>(count) * frameBytes);
    if (!buffer) return nullptr;
    const guint64 next = first + static_cast<guint64>(count);
    GST_BUFFER_PTS(buffer) = SampleTime(first, tone->rate);
    GST_BUFFER_DURATION(buffer) = SampleTime(next, tone->rate) - GST_BUFFER_PTS(buffer);
    GST_BUFFER_OFFSET(buffer) = first;
    GST_BUFFER_OFFSET_END(buffer) = next;
    if (first == 0) GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
    cycle.nextSample = next;
    cycle.position = (cycle.position + count) % cycle.frames;
    return buffer;
}

// Each buffer leaves when the clock has passed its last sample; an end of stream cuts the one
// in progress at the samples the clock has passed, and the stream ends after it.
GstFlowReturn Create(GstPushSrc* src, GstBuffer** out) {
    QdToneElement* tone = AsTone(src);
    if (tone->ended) return GST_FLOW_EOS;
    if (tone->rate <= 0 || tone->channels <= 0) return GST_FLOW_NOT_NEGOTIATED;
    RebuildIfChanged(tone);
    const guint64 first = tone->cycle->nextSample;
    int count = tone->perBuffer;
    const GstClockTime end = SampleTime(first + static_cast<guint64>(count), tone->rate);
    const GstClockTime endRunning = gst_segment_to_running_time(&GST_BASE_SRC(src)->segment, GST_FORMAT_TIME, end);
    switch (WaitUntil(tone, GST_CLOCK_TIME_IS_VALID(endRunning) ? endRunning : end)) {
    case Wake::Flushing: return GST_FLOW_FLUSHING;
    case Wake::Ending:
        tone->ended = true;
        count = SamplesCapturedSoFar(tone, first, count);
        if (count == 0) return GST_FLOW_EOS;
        break;
    case Wake::Captured: break;
    }
    *out = CutSamples(tone, first, count);
    return *out ? GST_FLOW_OK : GST_FLOW_ERROR;
}

gboolean Unlock(GstBaseSrc* src) {
    ToneWait& wait = *AsTone(src)->wait;
    std::lock_guard lock(wait.mutex);
    wait.flushing = true;
    if (wait.id) gst_clock_id_unschedule(wait.id);
    return TRUE;
}

gboolean UnlockStop(GstBaseSrc* src) {
    ToneWait& wait = *AsTone(src)->wait;
    std::lock_guard lock(wait.mutex);
    wait.flushing = false;
    return TRUE;
}

// An end of stream sent to a running tone is taken here rather than by the base class, which
// would drop the buffer in progress: the buffer is cut short and the stream then ends.
gboolean SendEvent(GstElement* element, GstEvent* event) {
    if (GST_EVENT_TYPE(event) == GST_EVENT_EOS && GST_STATE(element) >= GST_STATE_PAUSED) {
        ToneWait& wait = *AsTone(element)->wait;
        {
            std::lock_guard lock(wait.mutex);
            wait.endRequested = true;
            if (wait.id) gst_clock_id_unschedule(wait.id);
        }
        gst_event_unref(event);
        return TRUE;
    }
    return GST_ELEMENT_CLASS(qd_tone_element_parent_class)->send_event(element, event);
}

// One buffer's time: how long its first sample waits before it leaves.
gboolean Query(GstBaseSrc* src, GstQuery* query) {
    if (GST_QUERY_TYPE(query) != GST_QUERY_LATENCY)
        return GST_BASE_SRC_CLASS(qd_tone_element_parent_class)->query(src, query);
    ToneSettings& settings = *AsTone(src)->settings;
    GstClockTime latency = GST_SECOND / 10;
    {
        std::lock_guard lock(settings.mutex);
        if (settings.rate > 0 && settings.channels > 0)
            latency = SampleTime(static_cast<guint64>(ToneSamplesPerBuffer(settings.bufferBytes, settings.rate,
                                                                           settings.channels)),
                                 settings.rate);
    }
    gst_query_set_latency(query, TRUE, latency, GST_CLOCK_TIME_NONE);
    return TRUE;
}

enum ToneProperty : guint { kPropFreq = 1, kPropVolume, kPropBufferBytes };

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    ToneSettings& settings = *AsTone(object)->settings;
    std::lock_guard lock(settings.mutex);
    switch (id) {
    case kPropFreq: settings.hertz = std::lround(g_value_get_double(value)); break;
    case kPropVolume: settings.volume = g_value_get_double(value); break;
    case kPropBufferBytes: settings.bufferBytes = g_value_get_uint(value); break;
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
    case kPropBufferBytes: g_value_set_uint(value, settings.bufferBytes); break;
    default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec); break;
    }
}

void Finalize(GObject* object) {
    QdToneElement* tone = AsTone(object);
    DropCycle(tone->cycle);
    delete tone->cycle;
    delete tone->wait;
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
    g_object_class_install_property(
        object, media::kPropBufferBytes,
        g_param_spec_uint("buffer-bytes", "Buffer bytes", "Size of each buffer; 0 is a tenth of a second", 0, G_MAXINT32,
                          0, flags));
    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    element->send_event = media::SendEvent;
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
    base->unlock = media::Unlock;
    base->unlock_stop = media::UnlockStop;
    base->query = media::Query;
    GST_PUSH_SRC_CLASS(klass)->create = media::Create;
}

static void qd_tone_element_init(QdToneElement* tone) {
    tone->settings = new media::ToneSettings();
    tone->cycle = new media::ToneCycle();
    tone->wait = new media::ToneWait();
    tone->perBuffer = 0;
    tone->rate = 0;
    tone->channels = 0;
    tone->ended = false;
    gst_base_src_set_live(GST_BASE_SRC(tone), TRUE);
    gst_base_src_set_format(GST_BASE_SRC(tone), GST_FORMAT_TIME);
}

namespace media {

GstElement* MakeToneElement(const char* name) {
    return GST_ELEMENT(g_object_new(qd_tone_element_get_type(), "name", name, nullptr));
}

int ToneSamplesPerBuffer(unsigned bufferBytes, int rate, int channels) {
    if (rate <= 0 || channels <= 0) return 1;
    if (bufferBytes == 0) return std::max(1, rate / 10);
    const unsigned frameBytes = static_cast<unsigned>(channels) * sizeof(std::int16_t);
    return static_cast<int>(std::clamp(bufferBytes / frameBytes, 1u, static_cast<unsigned>(rate)));
}

}  // namespace media

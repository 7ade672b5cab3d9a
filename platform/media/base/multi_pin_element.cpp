#include "platform/media/base/multi_pin_element.h"

#include <vector>

namespace {

struct Output {
    GstPad* pad;
    bool begun;
    GstClockTime origin;  // running time a relative timeline starts at; NONE until its first buffer
};

struct QdMultiPinElement {
    GstElement parent;
    GRWLock lock;  // read-held while the client is called, so detaching waits for calls in progress
    MultiPinElementClient* client;
    std::vector<GstPad*>* inputs;
    std::vector<Output>* outputs;
    std::vector<bool>* ended;  // per input, under the object lock
    GMutex beginLock;          // held while an output's stream is begun, so nothing overtakes it
    guint streamGroup;
    bool shareNextOrigin;  // under beginLock: the next origin taken starts every restarted output's timeline
};

struct QdMultiPinElementClass {
    GstElementClass parent_class;
};

GType qd_multi_pin_element_get_type();
G_DEFINE_TYPE(QdMultiPinElement, qd_multi_pin_element, GST_TYPE_ELEMENT)

QdMultiPinElement* Self(gpointer object) { return reinterpret_cast<QdMultiPinElement*>(object); }

GstStaticPadTemplate kSinkTemplate = GST_STATIC_PAD_TEMPLATE("sink_%s", GST_PAD_SINK, GST_PAD_SOMETIMES, GST_STATIC_CAPS_ANY);
GstStaticPadTemplate kSrcTemplate = GST_STATIC_PAD_TEMPLATE("src_%s", GST_PAD_SRC, GST_PAD_SOMETIMES, GST_STATIC_CAPS_ANY);

template <typename Result, typename Call>
Result WithClient(QdMultiPinElement* self, Result fallback, Call call) {
    g_rw_lock_reader_lock(&self->lock);
    Result result = self->client ? call(self->client) : fallback;
    g_rw_lock_reader_unlock(&self->lock);
    return result;
}

guint InputIndex(QdMultiPinElement* self, GstPad* pad) {
    for (guint i = 0; i < self->inputs->size(); ++i) {
        if ((*self->inputs)[i] == pad) return i;
    }
    return 0;
}

// Samples carry stream times: a buffer's running time in its segment. An encoder that moves
// its timestamps (x264enc puts them 1000 hours on, for its decoding times) moves its segment by
// as much, so only the running time says when the picture was taken. A time before the
// segment's start has no running time and goes on as a sample without a time.
void StampRunningTime(GstPad* pad, GstBuffer* buffer) {
    if (!GST_BUFFER_PTS_IS_VALID(buffer)) return;
    GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    if (!event) return;
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(event, &segment);
    if (segment->format == GST_FORMAT_TIME) {
        guint64 running = 0;
        const int sign = gst_segment_to_running_time_full(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer), &running);
        GST_BUFFER_PTS(buffer) = sign > 0 ? running : GST_CLOCK_TIME_NONE;
    }
    gst_event_unref(event);
}

GstFlowReturn Chain(GstPad* pad, GstObject* parent, GstBuffer* buffer) {
    QdMultiPinElement* self = Self(parent);
    const guint input = InputIndex(self, pad);
    buffer = gst_buffer_make_writable(buffer);
    StampRunningTime(pad, buffer);
    const GstFlowReturn result = WithClient<GstFlowReturn>(
        self, GST_FLOW_OK, [&](MultiPinElementClient* client) { return client->Receive(input, buffer); });
    gst_buffer_unref(buffer);
    return result;
}

// Whether every linked input has ended, after marking `input`.
bool AllInputsEnded(QdMultiPinElement* self, guint input) {
    GST_OBJECT_LOCK(self);
    (*self->ended)[input] = true;
    bool all = true;
    for (guint i = 0; i < self->inputs->size(); ++i) {
        if (!(*self->ended)[i] && gst_pad_is_linked((*self->inputs)[i])) all = false;
    }
    GST_OBJECT_UNLOCK(self);
    return all;
}

gboolean SinkEvent(GstPad* pad, GstObject* parent, GstEvent* event) {
    QdMultiPinElement* self = Self(parent);
    const guint input = InputIndex(self, pad);
    switch (GST_EVENT_TYPE(event)) {
        case GST_EVENT_CAPS: {
            GstCaps* caps = nullptr;
            gst_event_parse_caps(event, &caps);
            WithClient<int>(self, 0, [&](MultiPinElementClient* client) {
                client->CapsSet(input, caps);
                return 0;
            });
            break;
        }
        case GST_EVENT_EOS:
            WithClient<int>(self, 0, [&](MultiPinElementClient* client) {
                client->EndOfStream(input);
                return 0;
            });
            if (AllInputsEnded(self, input)) {
                for (const Output& output : *self->outputs) gst_pad_push_event(output.pad, gst_event_new_eos());
                gst_element_post_message(GST_ELEMENT(self), gst_message_new_eos(GST_OBJECT(self)));
            }
            break;
        case GST_EVENT_FLUSH_STOP:
            GST_OBJECT_LOCK(self);
            (*self->ended)[input] = false;
            GST_OBJECT_UNLOCK(self);
            break;
        default:
            break;
    }
    gst_event_unref(event);
    return TRUE;
}

gboolean SinkQuery(GstPad* pad, GstObject* parent, GstQuery* query) {
    QdMultiPinElement* self = Self(parent);
    if (GST_QUERY_TYPE(query) == GST_QUERY_ACCEPT_CAPS) {
        GstCaps* caps = nullptr;
        gst_query_parse_accept_caps(query, &caps);
        const guint input = InputIndex(self, pad);
        const gboolean accepted = WithClient<gboolean>(
            self, TRUE, [&](MultiPinElementClient* client) { return client->AcceptCaps(input, caps) ? TRUE : FALSE; });
        gst_query_set_accept_caps_result(query, accepted);
        return TRUE;
    }
    return gst_pad_query_default(pad, parent, query);
}

guint OutputIndex(QdMultiPinElement* self, GstPad* pad) {
    for (guint i = 0; i < self->outputs->size(); ++i) {
        if ((*self->outputs)[i].pad == pad) return i;
    }
    return 0;
}

// An output offers the caps its client says it will carry, so a graph can link it before any
// sample flowed; until the client knows them, the pad's own answer stands.
gboolean SrcQuery(GstPad* pad, GstObject* parent, GstQuery* query) {
    QdMultiPinElement* self = Self(parent);
    if (GST_QUERY_TYPE(query) == GST_QUERY_CAPS && !gst_pad_has_current_caps(pad)) {
        const guint output = OutputIndex(self, pad);
        GstCaps* caps = WithClient<GstCaps*>(self, nullptr, [output](MultiPinElementClient* client) { return client->OutputCaps(output); });
        if (caps) {
            GstCaps* filter = nullptr;
            gst_query_parse_caps(query, &filter);
            if (filter) {
                GstCaps* narrowed = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
                gst_caps_unref(caps);
                caps = narrowed;
            }
            gst_query_set_caps_result(query, caps);
            gst_caps_unref(caps);
            return TRUE;
        }
    }
    return gst_pad_query_default(pad, parent, query);
}

// The latency of the inputs' upstream, for a live pipeline's latency query to the sinks.
gboolean ElementQuery(GstElement* element, GstQuery* query) {
    if (GST_QUERY_TYPE(query) != GST_QUERY_LATENCY) {
        return GST_ELEMENT_CLASS(qd_multi_pin_element_parent_class)->query(element, query);
    }
    gboolean anyLive = FALSE;
    GstClockTime min = 0, max = GST_CLOCK_TIME_NONE;
    for (GstPad* pad : *Self(element)->inputs) {
        GstQuery* upstream = gst_query_new_latency();
        gboolean live = FALSE;
        GstClockTime padMin = 0, padMax = GST_CLOCK_TIME_NONE;
        if (gst_pad_peer_query(pad, upstream)) {
            gst_query_parse_latency(upstream, &live, &padMin, &padMax);
            if (live) {
                anyLive = TRUE;
                min = MAX(min, padMin);
                if (GST_CLOCK_TIME_IS_VALID(padMax)) max = GST_CLOCK_TIME_IS_VALID(max) ? MIN(max, padMax) : padMax;
            }
        }
        gst_query_unref(upstream);
    }
    gst_query_set_latency(query, anyLive, min, max);
    return TRUE;
}

// Sends stream start, `caps` (when given) and a time segment out of `output`, once per start.
void BeginOutput(QdMultiPinElement* self, Output& output, GstCaps* caps) {
    g_mutex_lock(&self->beginLock);
    if (output.begun) {
        g_mutex_unlock(&self->beginLock);
        return;
    }
    output.begun = true;
    // GStreamer's own stream ids come from a single upstream; this element has several inputs.
    gchar* id = g_strdup_printf("%08x%08x/%s", g_random_int(), g_random_int(), GST_PAD_NAME(output.pad));
    GstEvent* start = gst_event_new_stream_start(id);
    g_free(id);
    gst_event_set_group_id(start, self->streamGroup);
    gst_pad_push_event(output.pad, start);
    if (caps && gst_caps_is_fixed(caps)) gst_pad_push_event(output.pad, gst_event_new_caps(caps));
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    gst_pad_push_event(output.pad, gst_event_new_segment(&segment));
    g_mutex_unlock(&self->beginLock);
}

void BeginLinkedOutput(QdMultiPinElement* self, guint index) {
    Output& output = (*self->outputs)[index];
    if (!gst_pad_is_linked(output.pad)) return;
    GstCaps* caps = WithClient<GstCaps*>(self, nullptr, [index](MultiPinElementClient* client) { return client->OutputCaps(index); });
    BeginOutput(self, output, caps);
    if (caps) gst_caps_unref(caps);
    gst_pad_push_event(output.pad, gst_event_new_gap(0, GST_CLOCK_TIME_NONE));
}

GstStateChangeReturn ChangeState(GstElement* element, GstStateChange transition) {
    QdMultiPinElement* self = Self(element);
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
        GST_OBJECT_LOCK(self);
        self->ended->assign(self->inputs->size(), false);
        GST_OBJECT_UNLOCK(self);
        g_mutex_lock(&self->beginLock);
        for (Output& output : *self->outputs) {
            output.begun = false;
            output.origin = GST_CLOCK_TIME_NONE;
        }
        self->shareNextOrigin = false;
        g_mutex_unlock(&self->beginLock);
    }
    WithClient<int>(self, 0, [transition](MultiPinElementClient* client) {
        client->StateChanging(transition);
        return 0;
    });
    GstStateChangeReturn result = GST_ELEMENT_CLASS(qd_multi_pin_element_parent_class)->change_state(element, transition);
    if (result == GST_STATE_CHANGE_FAILURE) return result;
    // Off this thread, one call per output: a sink that takes the gap while paused holds the
    // pushing thread until the pipeline plays, and the state change (and the other outputs'
    // sinks, which must preroll too) must go on meanwhile.
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
        for (guint i = 0; i < self->outputs->size(); ++i) {
            gst_element_call_async(
                element, [](GstElement* e, gpointer index) { BeginLinkedOutput(Self(e), GPOINTER_TO_UINT(index)); },
                GUINT_TO_POINTER(i), nullptr);
        }
    }
    WithClient<int>(self, 0, [transition](MultiPinElementClient* client) {
        client->StateChanged(transition);
        return 0;
    });
    return result;
}

void Finalize(GObject* object) {
    QdMultiPinElement* self = Self(object);
    delete self->inputs;
    delete self->outputs;
    delete self->ended;
    g_rw_lock_clear(&self->lock);
    g_mutex_clear(&self->beginLock);
    G_OBJECT_CLASS(qd_multi_pin_element_parent_class)->finalize(object);
}

void qd_multi_pin_element_class_init(QdMultiPinElementClass* klass) {
    auto* elementClass = GST_ELEMENT_CLASS(klass);
    G_OBJECT_CLASS(klass)->finalize = Finalize;
    gst_element_class_add_static_pad_template(elementClass, &kSinkTemplate);
    gst_element_class_add_static_pad_template(elementClass, &kSrcTemplate);
    gst_element_class_set_static_metadata(elementClass, "Own multi-pin filter", "Sink/Filter",
                                          "Runs a filter of the system's own modules with several pins", "Quilldeck");
    elementClass->change_state = ChangeState;
    elementClass->query = ElementQuery;
}

void qd_multi_pin_element_init(QdMultiPinElement* self) {
    g_rw_lock_init(&self->lock);
    g_mutex_init(&self->beginLock);
    self->client = nullptr;
    self->inputs = new std::vector<GstPad*>;
    self->outputs = new std::vector<Output>;
    self->ended = new std::vector<bool>;
    self->streamGroup = gst_util_group_id_next();
    self->shareNextOrigin = false;
    GST_OBJECT_FLAG_SET(self, GST_ELEMENT_FLAG_SINK);
}

}  // namespace

namespace media {

GstElement* CreateMultiPinElement(const char* name, MultiPinElementClient* client, const std::vector<std::string>& inputs,
                                  const std::vector<std::string>& outputs) {
    auto* element = static_cast<GstElement*>(g_object_new(qd_multi_pin_element_get_type(), "name", name, nullptr));
    QdMultiPinElement* self = Self(element);
    for (const std::string& input : inputs) {
        GstPad* pad = gst_pad_new_from_static_template(&kSinkTemplate, input.c_str());
        gst_pad_set_chain_function(pad, Chain);
        gst_pad_set_event_function(pad, SinkEvent);
        gst_pad_set_query_function(pad, SinkQuery);
        gst_element_add_pad(element, pad);
        self->inputs->push_back(pad);
    }
    for (const std::string& output : outputs) {
        GstPad* pad = gst_pad_new_from_static_template(&kSrcTemplate, output.c_str());
        gst_pad_use_fixed_caps(pad);
        gst_pad_set_query_function(pad, SrcQuery);
        gst_element_add_pad(element, pad);
        self->outputs->push_back({pad, false, GST_CLOCK_TIME_NONE});
    }
    self->ended->assign(self->inputs->size(), false);
    self->client = client;
    return element;
}

void DetachMultiPinClient(GstElement* element) {
    QdMultiPinElement* self = Self(element);
    g_rw_lock_writer_lock(&self->lock);
    self->client = nullptr;
    g_rw_lock_writer_unlock(&self->lock);
}

GstPad* MultiPinElementPad(GstElement* element, GstPadDirection direction, guint index) {
    QdMultiPinElement* self = Self(element);
    if (direction == GST_PAD_SINK) return index < self->inputs->size() ? (*self->inputs)[index] : nullptr;
    return index < self->outputs->size() ? (*self->outputs)[index].pad : nullptr;
}

GstFlowReturn PushFromOutput(GstElement* element, guint index, GstCaps* caps, GstBuffer* buffer) {
    QdMultiPinElement* self = Self(element);
    if (index >= self->outputs->size()) {
        gst_buffer_unref(buffer);
        return GST_FLOW_ERROR;
    }
    Output& output = (*self->outputs)[index];
    BeginOutput(self, output, caps);
    // Caps that were not known when the stream began go out before its first buffer.
    if (caps && gst_caps_is_fixed(caps) && !gst_pad_has_current_caps(output.pad)) gst_pad_push_event(output.pad, gst_event_new_caps(caps));
    return gst_pad_push(output.pad, buffer);
}

// The element's running time now; 0 without a clock.
GstClockTime RunningTimeNow(GstElement* element) {
    GstClock* clock = gst_element_get_clock(element);
    if (!clock) return 0;
    const GstClockTime now = gst_clock_get_time(clock);
    gst_object_unref(clock);
    const GstClockTime base = gst_element_get_base_time(element);
    return now > base ? now - base : 0;
}

GstFlowReturn PushRelativeFromOutput(GstElement* element, guint index, GstCaps* caps, GstBuffer* buffer) {
    QdMultiPinElement* self = Self(element);
    if (index < self->outputs->size() && GST_BUFFER_PTS_IS_VALID(buffer)) {
        Output& output = (*self->outputs)[index];
        g_mutex_lock(&self->beginLock);
        if (!GST_CLOCK_TIME_IS_VALID(output.origin)) {
            output.origin = RunningTimeNow(element);
            if (self->shareNextOrigin) {
                for (Output& other : *self->outputs) {
                    if (!GST_CLOCK_TIME_IS_VALID(other.origin)) other.origin = output.origin;
                }
                self->shareNextOrigin = false;
            }
        }
        GST_BUFFER_PTS(buffer) += output.origin;
        g_mutex_unlock(&self->beginLock);
    }
    return PushFromOutput(element, index, caps, buffer);
}

void RestartOutputTimeline(GstElement* element, guint index) {
    QdMultiPinElement* self = Self(element);
    if (index >= self->outputs->size()) return;
    g_mutex_lock(&self->beginLock);
    (*self->outputs)[index].origin = GST_CLOCK_TIME_NONE;
    g_mutex_unlock(&self->beginLock);
}

void RestartOutputTimelines(GstElement* element) {
    QdMultiPinElement* self = Self(element);
    g_mutex_lock(&self->beginLock);
    for (Output& output : *self->outputs) output.origin = GST_CLOCK_TIME_NONE;
    self->shareNextOrigin = true;
    g_mutex_unlock(&self->beginLock);
}

void EndOutput(GstElement* element, guint index) {
    if (GstPad* pad = MultiPinElementPad(element, GST_PAD_SRC, index)) gst_pad_push_event(pad, gst_event_new_eos());
}

}  // namespace media

#include "platform/media/base/transform_element.h"

#include <gst/base/gstbasetransform.h>

namespace {

struct QdTransformElement {
    GstBaseTransform parent;
    GMutex lock;  // held while the client is called, so detaching waits for a call in progress
    TransformElementClient* client;
};

struct QdTransformElementClass {
    GstBaseTransformClass parent_class;
};

GType qd_transform_element_get_type();
G_DEFINE_TYPE(QdTransformElement, qd_transform_element, GST_TYPE_BASE_TRANSFORM)

QdTransformElement* Self(gpointer object) { return reinterpret_cast<QdTransformElement*>(object); }

GstStaticPadTemplate kSinkTemplate = GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
GstStaticPadTemplate kSrcTemplate = GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);

// Runs `call` with the client under the element's lock; `fallback` when detached.
template <typename Result, typename Call>
Result WithClient(gpointer object, Result fallback, Call call) {
    QdTransformElement* self = Self(object);
    g_mutex_lock(&self->lock);
    Result result = self->client ? call(self->client) : fallback;
    g_mutex_unlock(&self->lock);
    return result;
}

gboolean AcceptCaps(GstBaseTransform* trans, GstPadDirection /*direction*/, GstCaps* caps) {
    // In place: both pads carry the same caps, so the input's rule answers for either.
    return WithClient<gboolean>(trans, TRUE, [caps](TransformElementClient* client) {
        return client->AcceptCaps(caps) ? TRUE : FALSE;
    });
}

gboolean SetCaps(GstBaseTransform* trans, GstCaps* incaps, GstCaps* /*outcaps*/) {
    return WithClient<gboolean>(trans, TRUE, [incaps](TransformElementClient* client) {
        client->CapsSet(incaps);
        return TRUE;
    });
}

GstFlowReturn TransformInPlace(GstBaseTransform* trans, GstBuffer* buffer) {
    return WithClient<GstFlowReturn>(trans, GST_FLOW_OK,
                                     [buffer](TransformElementClient* client) { return client->ProcessBuffer(buffer); });
}

GstStateChangeReturn ChangeState(GstElement* element, GstStateChange transition) {
    WithClient<int>(element, 0, [transition](TransformElementClient* client) {
        client->StateChanging(transition);
        return 0;
    });
    const GstStateChangeReturn result =
        GST_ELEMENT_CLASS(qd_transform_element_parent_class)->change_state(element, transition);
    if (result != GST_STATE_CHANGE_FAILURE) {
        WithClient<int>(element, 0, [transition](TransformElementClient* client) {
            client->StateChanged(transition);
            return 0;
        });
    }
    return result;
}

void Finalize(GObject* object) {
    g_mutex_clear(&Self(object)->lock);
    G_OBJECT_CLASS(qd_transform_element_parent_class)->finalize(object);
}

void qd_transform_element_class_init(QdTransformElementClass* klass) {
    auto* elementClass = GST_ELEMENT_CLASS(klass);
    auto* transformClass = GST_BASE_TRANSFORM_CLASS(klass);
    G_OBJECT_CLASS(klass)->finalize = Finalize;
    gst_element_class_add_static_pad_template(elementClass, &kSinkTemplate);
    gst_element_class_add_static_pad_template(elementClass, &kSrcTemplate);
    gst_element_class_set_static_metadata(elementClass, "Own in-place filter", "Filter/Video",
                                          "Runs a filter of the system's own modules in place", "Quilldeck");
    elementClass->change_state = ChangeState;
    transformClass->accept_caps = AcceptCaps;
    transformClass->set_caps = SetCaps;
    transformClass->transform_ip = TransformInPlace;
    transformClass->passthrough_on_same_caps = FALSE;
    transformClass->transform_ip_on_passthrough = TRUE;
}

void qd_transform_element_init(QdTransformElement* self) {
    g_mutex_init(&self->lock);
    self->client = nullptr;
    gst_base_transform_set_in_place(GST_BASE_TRANSFORM(self), TRUE);
    gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), FALSE);
}

}  // namespace

namespace media {

GstElement* CreateTransformElement(const char* name, TransformElementClient* client) {
    auto* element = static_cast<GstElement*>(g_object_new(qd_transform_element_get_type(), "name", name, nullptr));
    Self(element)->client = client;
    return element;
}

void DetachTransformClient(GstElement* element) {
    QdTransformElement* self = Self(element);
    g_mutex_lock(&self->lock);
    self->client = nullptr;
    g_mutex_unlock(&self->lock);
}

}  // namespace media

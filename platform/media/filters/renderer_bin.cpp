#include "platform/media/filters/renderer_bin.h"

struct QdRendererBin {
    GstBin parent;
    GMutex lock;  // guards hook and context, and is held while the hook runs
    media::ChildMessageHook hook;
    void* context;
};

struct QdRendererBinClass {
    GstBinClass parent_class;
};

G_DEFINE_TYPE(QdRendererBin, qd_renderer_bin, GST_TYPE_BIN)

namespace {

QdRendererBin* Self(gpointer bin) { return reinterpret_cast<QdRendererBin*>(bin); }

void HandleMessage(GstBin* bin, GstMessage* message) {
    QdRendererBin* self = Self(bin);
    g_mutex_lock(&self->lock);
    if (self->hook) self->hook(message, self->context);
    g_mutex_unlock(&self->lock);
    GST_BIN_CLASS(qd_renderer_bin_parent_class)->handle_message(bin, message);
}

void Finalize(GObject* object) {
    g_mutex_clear(&Self(object)->lock);
    G_OBJECT_CLASS(qd_renderer_bin_parent_class)->finalize(object);
}

}  // namespace

static void qd_renderer_bin_class_init(QdRendererBinClass* klass) {
    GST_BIN_CLASS(klass)->handle_message = HandleMessage;
    G_OBJECT_CLASS(klass)->finalize = Finalize;
}

static void qd_renderer_bin_init(QdRendererBin* self) {
    g_mutex_init(&self->lock);
    self->hook = nullptr;
    self->context = nullptr;
}

namespace media {

GstElement* MakeRendererBin() { return GST_ELEMENT(g_object_new(qd_renderer_bin_get_type(), nullptr)); }

void SetChildMessageHook(GstElement* rendererBin, ChildMessageHook hook, void* context) {
    QdRendererBin* self = Self(rendererBin);
    g_mutex_lock(&self->lock);
    self->hook = hook;
    self->context = context;
    g_mutex_unlock(&self->lock);
}

}  // namespace media

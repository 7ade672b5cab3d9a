#include "platform/media/base/clock_adapter.h"

namespace {

struct QdReferenceClockAdapter {
    GstSystemClock parent;
    IReferenceClock* clock;  // counted
};

struct QdReferenceClockAdapterClass {
    GstSystemClockClass parent_class;
};

GType qd_reference_clock_adapter_get_type();
G_DEFINE_TYPE(QdReferenceClockAdapter, qd_reference_clock_adapter, GST_TYPE_SYSTEM_CLOCK)

GstClockTime InternalTime(GstClock* clock) {
    auto* self = reinterpret_cast<QdReferenceClockAdapter*>(clock);
    REFERENCE_TIME now = 0;
    if (FAILED(self->clock->GetTime(&now)) || now < 0) return 0;
    return static_cast<GstClockTime>(now) * 100;
}

void Finalize(GObject* object) {
    auto* self = reinterpret_cast<QdReferenceClockAdapter*>(object);
    if (self->clock) self->clock->Release();
    G_OBJECT_CLASS(qd_reference_clock_adapter_parent_class)->finalize(object);
}

void qd_reference_clock_adapter_class_init(QdReferenceClockAdapterClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = Finalize;
    GST_CLOCK_CLASS(klass)->get_internal_time = InternalTime;
}

void qd_reference_clock_adapter_init(QdReferenceClockAdapter* self) { self->clock = nullptr; }

}  // namespace

namespace media {

GstClock* CreateGstClockForReferenceClock(IReferenceClock* clock) {
    if (!clock) return nullptr;
    auto* adapter = static_cast<QdReferenceClockAdapter*>(
        g_object_new(qd_reference_clock_adapter_get_type(), "name", "reference-clock", nullptr));
    clock->AddRef();
    adapter->clock = clock;
    GstClock* result = GST_CLOCK(adapter);
    gst_object_ref_sink(result);
    return result;
}

}  // namespace media

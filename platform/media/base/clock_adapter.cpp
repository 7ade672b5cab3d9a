#include "platform/media/base/clock_adapter.h"

#include <algorithm>
#include <atomic>

namespace {

struct QdReferenceClockAdapter {
    GstSystemClock parent;
    IReferenceClock* clock;  // counted
    // Waits sleep on `wake`; unscheduling an entry broadcasts it so the waiter looks again.
    GMutex lock;
    GCond wake;
    double rate;  // the wrapped clock's last measured speed against real time (under `lock`)
};

struct QdReferenceClockAdapterClass {
    GstSystemClockClass parent_class;
};

GType qd_reference_clock_adapter_get_type();
G_DEFINE_TYPE(QdReferenceClockAdapter, qd_reference_clock_adapter, GST_TYPE_SYSTEM_CLOCK)

QdReferenceClockAdapter* Self(GstClock* clock) { return reinterpret_cast<QdReferenceClockAdapter*>(clock); }

// Longest sleep between two looks at the wrapped clock, so a change of its speed during a
// long wait is noticed soon.
constexpr gint64 kLongestSleepUs = 100'000;
constexpr gint64 kShortestMeasureUs = 10'000;
// Shortest sleep: a clock that ticks in milliseconds must not be polled in a busy loop.
constexpr gint64 kShortestSleepUs = 100;
// Closer than this to the target, a wait is over.
constexpr GstClockTimeDiff kOnTimeNs = 500;

GstClockTime InternalTime(GstClock* clock) {
    REFERENCE_TIME now = 0;
    if (FAILED(Self(clock)->clock->GetTime(&now)) || now < 0) return 0;
    return static_cast<GstClockTime>(now) * 100;
}

// GStreamer reads and writes an entry's status atomically from several threads.
std::atomic_ref<GstClockReturn> EntryStatus(GstClockEntry* entry) {
    return std::atomic_ref<GstClockReturn>(GST_CLOCK_ENTRY_STATUS(entry));
}

bool IsUnscheduled(GstClockEntry* entry) {
    return EntryStatus(entry).load() == GST_CLOCK_UNSCHEDULED;
}

double LastRate(QdReferenceClockAdapter* self) {
    g_mutex_lock(&self->lock);
    const double rate = self->rate;
    g_mutex_unlock(&self->lock);
    return rate;
}

void KeepRate(QdReferenceClockAdapter* self, double rate) {
    g_mutex_lock(&self->lock);
    self->rate = rate;
    g_mutex_unlock(&self->lock);
}

// Leaves the entry's status at `result` unless it was unscheduled meanwhile.
GstClockReturn Finish(GstClockEntry* entry, GstClockReturn result) {
    GstClockReturn busy = GST_CLOCK_BUSY;
    if (!EntryStatus(entry).compare_exchange_strong(busy, result)) return GST_CLOCK_UNSCHEDULED;
    return result;
}

// The system clock's own wait sleeps the clock-time distance in real time, which is right
// only at speed 1: a clock running twice as fast would be waited for twice as long. This
// wait measures how fast the wrapped clock runs against the monotonic clock while it sleeps
// and sleeps the remaining distance at that rate, looking again until the target is reached.
GstClockReturn Wait(GstClock* clock, GstClockEntry* entry, GstClockTimeDiff* jitter) {
    QdReferenceClockAdapter* self = Self(clock);
    GstClockReturn previous = EntryStatus(entry).load();
    if (previous == GST_CLOCK_UNSCHEDULED || !EntryStatus(entry).compare_exchange_strong(previous, GST_CLOCK_BUSY))
        return GST_CLOCK_UNSCHEDULED;

    const GstClockTime target = GST_CLOCK_ENTRY_TIME(entry);
    GstClockTime now = gst_clock_get_time(clock);
    gint64 monotonicUs = g_get_monotonic_time();
    if (jitter) *jitter = GST_CLOCK_DIFF(target, now);
    GstClockTimeDiff remaining = GST_CLOCK_DIFF(now, target);
    if (remaining <= 0) return Finish(entry, remaining == 0 ? GST_CLOCK_OK : GST_CLOCK_EARLY);

    double rate = LastRate(self);  // clock nanoseconds per real nanosecond
    GstClockTime measuredFrom = now;
    gint64 measuredFromUs = monotonicUs;
    while (remaining > kOnTimeNs) {
        const auto sleepUs =
            std::clamp<gint64>(static_cast<gint64>(remaining / rate / 1000.0), kShortestSleepUs, kLongestSleepUs);
        g_mutex_lock(&self->lock);
        if (!IsUnscheduled(entry)) g_cond_wait_until(&self->wake, &self->lock, monotonicUs + sleepUs);
        g_mutex_unlock(&self->lock);
        if (IsUnscheduled(entry)) return GST_CLOCK_UNSCHEDULED;

        now = gst_clock_get_time(clock);
        monotonicUs = g_get_monotonic_time();
        remaining = GST_CLOCK_DIFF(now, target);
        // Clocks may tick in milliseconds: measure the speed over long enough stretches only.
        if (monotonicUs - measuredFromUs >= kShortestMeasureUs && now > measuredFrom) {
            rate = std::clamp(static_cast<double>(now - measuredFrom) /
                                  (static_cast<double>(monotonicUs - measuredFromUs) * 1000.0),
                              1e-3, 1e3);
            KeepRate(self, rate);
            measuredFrom = now;
            measuredFromUs = monotonicUs;
        }
    }
    return Finish(entry, GST_CLOCK_OK);
}

void Unschedule(GstClock* clock, GstClockEntry* entry) {
    GST_CLOCK_CLASS(qd_reference_clock_adapter_parent_class)->unschedule(clock, entry);
    QdReferenceClockAdapter* self = Self(clock);
    g_mutex_lock(&self->lock);
    g_cond_broadcast(&self->wake);
    g_mutex_unlock(&self->lock);
}

void Finalize(GObject* object) {
    auto* self = reinterpret_cast<QdReferenceClockAdapter*>(object);
    if (self->clock) self->clock->Release();
    g_cond_clear(&self->wake);
    g_mutex_clear(&self->lock);
    G_OBJECT_CLASS(qd_reference_clock_adapter_parent_class)->finalize(object);
}

void qd_reference_clock_adapter_class_init(QdReferenceClockAdapterClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = Finalize;
    GST_CLOCK_CLASS(klass)->get_internal_time = InternalTime;
    GST_CLOCK_CLASS(klass)->wait = Wait;
    GST_CLOCK_CLASS(klass)->unschedule = Unschedule;
}

void qd_reference_clock_adapter_init(QdReferenceClockAdapter* self) {
    self->clock = nullptr;
    g_mutex_init(&self->lock);
    g_cond_init(&self->wake);
    self->rate = 1.0;
}

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

#include "platform/media/virtual_card/gate_probe.h"

namespace media {
namespace {

void StampNumber(GstBuffer* buffer, std::uint64_t number) {
    std::uint8_t bytes[sizeof number];
    for (std::size_t i = 0; i < sizeof number; ++i) bytes[i] = static_cast<std::uint8_t>(number >> (8 * i));
    if (gst_buffer_get_size(buffer) >= sizeof bytes) gst_buffer_fill(buffer, 0, bytes, sizeof bytes);
}

struct GateProbe {
    std::shared_ptr<FrameGate> gate;
    Numbering numbering;
};

GstPadProbeReturn OnEvent(GstPadProbeInfo* info, GateProbe* probe) {
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_STREAM_START) probe->gate->Restart();
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnBuffer(GstPadProbeInfo* info, GateProbe* probe) {
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    const std::int64_t pts = GST_BUFFER_PTS_IS_VALID(buffer) ? static_cast<std::int64_t>(GST_BUFFER_PTS(buffer)) : -1;
    const FrameVerdict verdict = probe->gate->Next(pts, static_cast<std::int64_t>(gst_buffer_get_size(buffer)));
    if (!verdict.deliver) return GST_PAD_PROBE_DROP;

    buffer = gst_buffer_make_writable(buffer);
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    if (verdict.pts >= 0) GST_BUFFER_PTS(buffer) = static_cast<GstClockTime>(verdict.pts);
    if (probe->numbering == Numbering::Frames) {
        GST_BUFFER_OFFSET(buffer) = verdict.frameNumber;
        GST_BUFFER_OFFSET_END(buffer) = verdict.frameNumber + 1;
    }
    if (verdict.stampNumber) StampNumber(buffer, verdict.frameNumber);
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnData(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* probe = static_cast<GateProbe*>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) return OnBuffer(info, probe);
    return OnEvent(info, probe);
}

void DeleteProbe(gpointer data) { delete static_cast<GateProbe*>(data); }

}  // namespace

void AttachFrameGate(GstPad* pad, std::shared_ptr<FrameGate> gate, Numbering numbering) {
    auto* probe = new GateProbe{std::move(gate), numbering};
    gst_pad_add_probe(pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      OnData, probe, DeleteProbe);
}

}  // namespace media

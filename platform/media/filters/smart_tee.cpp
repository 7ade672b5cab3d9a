#include "platform/media/filters/smart_tee.h"

#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/grabber.h"

namespace media {

namespace {

GstPadProbeReturn StripTimestamps(GstPad*, GstPadProbeInfo* info, gpointer) {
    GstBuffer* buffer = gst_buffer_make_writable(gst_pad_probe_info_get_buffer(info));
    GST_BUFFER_PTS(buffer) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}

// tee -> "Capture" straight from the tee, on the input's own thread; tee -> leaky queue ->
// "Preview". The preview queue is the one thread hand-off: it keeps a slow preview from ever
// holding up capture.
GstElement* BuildTeeBin() {
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* tee = MakeElement("tee", "tee");
    GstElement* previewQueue = MakeElement("queue", "preview");
    if (!AddElements(GST_BIN(bin), {tee, previewQueue})) {
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    g_object_set(tee, "allow-not-linked", TRUE, nullptr);
    g_object_set(previewQueue, "leaky", 2 /* downstream: drop the oldest */, "max-size-buffers", 2u, "max-size-bytes", 0u,
                 "max-size-time", G_GUINT64_CONSTANT(0), nullptr);
    // The tee feeds its outputs in the order they were made: preview first, so its queue holds
    // a frame before a capture sink that waits to preroll can hold up the input's thread.
    gst_element_link(tee, previewQueue);
    GstPad* captureSrc = gst_element_request_pad_simple(tee, "src_%u");
    gst_element_add_pad(bin, gst_ghost_pad_new("Capture", captureSrc));
    gst_object_unref(captureSrc);
    GstPad* previewSrc = gst_element_get_static_pad(previewQueue, "src");
    gst_pad_add_probe(previewSrc, GST_PAD_PROBE_TYPE_BUFFER, StripTimestamps, nullptr, nullptr);
    gst_object_unref(previewSrc);
    return bin;
}

class SmartTee final : public GstFilterBase {
public:
    explicit SmartTee(GstElement* bin) : GstFilterBase(CLSID_SmartTee, u"Smart Tee", bin) {
        AddPin(AddGhostPad(bin, "tee", "sink", "Input"), u"Input");
        AddPin(gst_element_get_static_pad(bin, "Capture"), u"Capture", &PIN_CATEGORY_CAPTURE);
        AddPin(AddGhostPad(bin, "preview", "src", "Preview"), u"Preview", &PIN_CATEGORY_PREVIEW);
    }
};

class PassThrough final : public GstFilterBase {
public:
    explicit PassThrough(GstElement* bin) : GstFilterBase(CLSID_OverlayMixer, u"Overlay Mixer", bin) {
        AddPin(gst_element_get_static_pad(bin, "Input0"), u"Input0");
        AddPin(gst_element_get_static_pad(bin, "Output"), u"Output");
    }
};

class NullRenderer final : public GstFilterBase {
public:
    explicit NullRenderer(GstElement* bin) : GstFilterBase(CLSID_NullRenderer, u"Null Renderer", bin) {
        AddPin(gst_element_get_static_pad(bin, "In"), u"In");
    }
};

template <typename Filter>
HRESULT CreateOn(GstElement* element, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!element) return E_FAIL;
    return CreateComObject<Filter>(riid, object, element);
}

}  // namespace

HRESULT CreateSmartTee(IUnknown*, REFIID riid, void** object) { return CreateOn<SmartTee>(BuildTeeBin(), riid, object); }

HRESULT CreateOverlayMixer(IUnknown*, REFIID riid, void** object) {
    return CreateOn<PassThrough>(MakeChainBin("Input0", "Output", {MakeElement("identity", nullptr)}), riid, object);
}

HRESULT CreateNullRenderer(IUnknown*, REFIID riid, void** object) {
    GstElement* sink = MakeElement("fakesink", nullptr);
    if (sink) g_object_set(sink, "sync", TRUE, "async", FALSE, nullptr);
    return CreateOn<NullRenderer>(MakeChainBin("In", nullptr, {sink}), riid, object);
}

}  // namespace media

#include "platform/media/gst_helpers.h"

namespace media {

GstElement* MakeElement(const char* factory, const char* name) {
    GstElement* element = gst_element_factory_make(factory, name);
    if (!element) g_warning("GStreamer element \"%s\" is not available (plugin missing?)", factory);
    return element;
}

bool AddElements(GstBin* bin, std::initializer_list<GstElement*> elements) {
    bool complete = true;
    for (GstElement* e : elements) complete = complete && e != nullptr;
    for (GstElement* e : elements) {
        if (!e) continue;
        if (complete) {
            gst_bin_add(bin, e);
        } else {
            gst_object_unref(gst_object_ref_sink(e));
        }
    }
    return complete;
}

namespace {
GstPadProbeReturn DiscardWhileUnlinked(GstPad*, GstPadProbeInfo*, gpointer ghost) {
    return gst_pad_is_linked(GST_PAD(ghost)) ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
}
}  // namespace

GstPad* ExposeOutput(GstBin* bin, GstPad* inner, const char* name) {
    GstPad* ghost = gst_ghost_pad_new(name, inner);
    gst_pad_set_active(ghost, TRUE);
    gst_element_add_pad(GST_ELEMENT(bin), ghost);
    // The bin owns the ghost pad and outlives the probe on its own child's pad.
    gst_pad_add_probe(inner, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                      DiscardWhileUnlinked, ghost,
                      nullptr);
    return ghost;
}

bool SetFilterCaps(GstElement* capsfilter, GstCaps* caps) {
    if (!caps) return false;
    g_object_set(capsfilter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    return true;
}

}  // namespace media

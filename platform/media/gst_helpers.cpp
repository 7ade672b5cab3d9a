#include "platform/media/gst_helpers.h"

#include <atomic>
#include <mutex>

namespace media {

bool EnsureGstStarted() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        GError* error = nullptr;
        started = gst_init_check(nullptr, nullptr, &error) != FALSE;
        if (!started) g_warning("GStreamer could not be started: %s", error ? error->message : "unknown error");
        g_clear_error(&error);
    });
    return started;
}

std::string UniqueElementName(const char* prefix) {
    static std::atomic<unsigned> next{0};
    return std::string(prefix) + "-" + std::to_string(next.fetch_add(1));
}

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

GstPad* AddGhostPad(GstElement* bin, GstElement* child, const char* padName, const char* name) {
    GstPad* target = child ? gst_element_get_static_pad(child, padName) : nullptr;
    if (!target) return nullptr;
    GstPad* ghost = gst_ghost_pad_new(name, target);
    gst_object_unref(target);
    gst_element_add_pad(bin, ghost);
    return GST_PAD(gst_object_ref(ghost));
}

GstPad* AddGhostPad(GstElement* bin, const char* childName, const char* padName, const char* name) {
    GstOwned<GstElement> child(gst_bin_get_by_name(GST_BIN(bin), childName));
    return AddGhostPad(bin, child.get(), padName, name);
}

GstElement* MakeChainBin(const char* inputName, const char* outputName, std::initializer_list<GstElement*> chain) {
    GstElement* bin = gst_bin_new(nullptr);
    if (!AddElements(GST_BIN(bin), chain)) {
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    GstElement* previous = nullptr;
    for (GstElement* e : chain) {
        if (previous && !gst_element_link(previous, e)) {
            gst_object_unref(gst_object_ref_sink(bin));
            return nullptr;
        }
        previous = e;
    }
    if (inputName) gst_object_unref(AddGhostPad(bin, *chain.begin(), "sink", inputName));
    if (outputName) gst_object_unref(AddGhostPad(bin, previous, "src", outputName));
    return bin;
}

bool SetFilterCaps(GstElement* capsfilter, GstCaps* caps) {
    if (!caps) return false;
    g_object_set(capsfilter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    return true;
}

}  // namespace media

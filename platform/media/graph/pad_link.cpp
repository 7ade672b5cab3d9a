#include "platform/media/graph/pad_link.h"

#include <string_view>

#include "platform/media/filters/media_type_list.h"
#include "platform/media/media_caps.h"

namespace media {

namespace {

void FixateInt(GstStructure* s, const GstStructure* preferred, const char* field, int fallback) {
    int value = fallback;
    if (preferred) gst_structure_get_int(preferred, field, &value);
    if (gst_structure_has_field(s, field)) gst_structure_fixate_field_nearest_int(s, field, value);
}

void FixateFraction(GstStructure* s, const GstStructure* preferred, const char* field, int num, int den) {
    if (preferred) gst_structure_get_fraction(preferred, field, &num, &den);
    if (gst_structure_has_field(s, field)) gst_structure_fixate_field_nearest_fraction(s, field, num, den);
}

GstCaps* FixateOne(GstCaps* one, const GstStructure* preferred) {
    one = gst_caps_make_writable(one);
    GstStructure* s = gst_caps_get_structure(one, 0);
    FixateInt(s, preferred, "width", 640);
    FixateInt(s, preferred, "height", 480);
    FixateFraction(s, preferred, "framerate", 30, 1);
    FixateFraction(s, preferred, "pixel-aspect-ratio", 1, 1);
    FixateInt(s, preferred, "rate", 48000);
    FixateInt(s, preferred, "channels", 2);
    return gst_caps_fixate(one);
}

// Converter chains by the kind of data the output pin delivers.
std::vector<std::vector<const char*>> ConverterChains(const GstCaps* outCaps) {
    if (!outCaps || gst_caps_is_empty(outCaps) || gst_caps_is_any(outCaps)) return {};
    const std::string_view name = gst_structure_get_name(gst_caps_get_structure(outCaps, 0));
    if (name == "video/x-raw") return {{"videoconvert", "videoscale"}};
    if (name == "image/jpeg") return {{"jpegdec", "videoconvert", "videoscale"}};
    if (name == "video/x-dv") {
        gboolean system = FALSE;
        gst_structure_get_boolean(gst_caps_get_structure(outCaps, 0), "systemstream", &system);
        if (system) return {};
        return {{"avdec_dvvideo", "videoconvert", "videoscale"}, {"dvdec", "videoconvert", "videoscale"}};
    }
    if (name == "audio/x-raw") return {{"audioconvert", "audioresample"}};
    return {};
}

GstCaps* Narrowed(GstCaps* caps, const GstCaps* wanted) {
    if (!wanted) return caps;
    GstCaps* narrowed = gst_caps_intersect_full(caps, const_cast<GstCaps*>(wanted), GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(caps);
    return narrowed;
}

bool Unusable(const GstCaps* caps) { return !caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps); }

}  // namespace

GstCaps* FixateLinkCaps(GstCaps* caps, const GstStructure* preferred) {
    caps = gst_caps_normalize(caps);
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        GstCaps* fixed = FixateOne(gst_caps_copy_nth(caps, i), preferred);
        AM_MEDIA_TYPE type{};
        if (SUCCEEDED(MediaTypeFromCaps(fixed, &type))) {
            FreeMediaType(type);
            gst_caps_unref(caps);
            return fixed;
        }
        gst_caps_unref(fixed);
    }
    GstCaps* first = FixateOne(gst_caps_copy_nth(caps, 0), preferred);
    gst_caps_unref(caps);
    return first;
}

PadLink::~PadLink() {
    for (GstElement* e : elements_) gst_object_unref(e);
    if (out_) gst_object_unref(out_);
    if (in_) gst_object_unref(in_);
}

PadLink::PadLink(PadLink&& other) noexcept
    : bin_(other.bin_), out_(other.out_), in_(other.in_), elements_(std::move(other.elements_)) {
    other.out_ = other.in_ = nullptr;
    other.elements_.clear();
}

GstElement* PadLink::AddElement(const char* factory) {
    GstElement* e = gst_element_factory_make(factory, nullptr);
    if (!e) return nullptr;
    gst_object_ref_sink(e);
    gst_bin_add(bin_, e);
    elements_.push_back(e);
    return e;
}

// Links out -> elements... -> in, all pads by their static "sink"/"src" names.
bool PadLink::LinkAll() {
    GstPad* upstream = GST_PAD(gst_object_ref(out_));
    for (GstElement* e : elements_) {
        GstPad* sink = gst_element_get_static_pad(e, "sink");
        const bool ok = gst_pad_link(upstream, sink) == GST_PAD_LINK_OK;
        gst_object_unref(sink);
        gst_object_unref(upstream);
        if (!ok) return false;
        upstream = gst_element_get_static_pad(e, "src");
    }
    const bool ok = gst_pad_link(upstream, in_) == GST_PAD_LINK_OK;
    gst_object_unref(upstream);
    return ok;
}

HRESULT PadLink::Make(GstBin* bin, GstPad* out, GstPad* in, const GstCaps* wanted, bool allowConverters,
                      AM_MEDIA_TYPE* outType, AM_MEDIA_TYPE* inType) {
    bin_ = bin;
    out_ = GST_PAD(gst_object_ref(out));
    in_ = GST_PAD(gst_object_ref(in));
    HRESULT hr = MakeDirect(wanted, outType, inType);
    if (SUCCEEDED(hr) || !allowConverters) return hr;
    GstCaps* outCaps = PadCaps(out_);
    const auto chains = ConverterChains(outCaps);
    gst_caps_unref(outCaps);
    for (const auto& chain : chains) {
        if (SUCCEEDED(MakeConverted(chain, wanted, outType, inType))) return S_OK;
    }
    return VFW_E_CANNOT_CONNECT;
}

HRESULT PadLink::MakeDirect(const GstCaps* wanted, AM_MEDIA_TYPE* outType, AM_MEDIA_TYPE* inType) {
    GstCaps* outCaps = PadCaps(out_);
    GstCaps* inCaps = PadCaps(in_);
    GstCaps* common = Narrowed(gst_caps_intersect_full(outCaps, inCaps, GST_CAPS_INTERSECT_FIRST), wanted);
    gst_caps_unref(outCaps);
    gst_caps_unref(inCaps);
    if (Unusable(common)) {
        if (common) gst_caps_unref(common);
        return VFW_E_NO_ACCEPTABLE_TYPES;
    }
    GstCaps* fixed = FixateLinkCaps(common, nullptr);
    GstElement* pin = AddElement("capsfilter");
    g_object_set(pin, "caps", fixed, nullptr);
    HRESULT hr = LinkAll() ? MediaTypeForFixedCaps(fixed, outType) : VFW_E_CANNOT_CONNECT;
    if (SUCCEEDED(hr)) hr = CopyMediaType(inType, outType);
    gst_caps_unref(fixed);
    if (FAILED(hr)) {
        FreeMediaType(*outType);
        Break();
        return hr;
    }
    for (GstElement* e : elements_) gst_element_sync_state_with_parent(e);
    return S_OK;
}

HRESULT PadLink::MakeConverted(const std::vector<const char*>& chain, const GstCaps* wanted, AM_MEDIA_TYPE* outType,
                               AM_MEDIA_TYPE* inType) {
    for (const char* factory : chain) {
        GstElementFactory* f = gst_element_factory_find(factory);
        if (!f) return VFW_E_CANNOT_CONNECT;
        gst_object_unref(f);
    }
    GstCaps* outFixed = FixateLinkCaps(PadCaps(out_), nullptr);
    GstElement* head = AddElement("capsfilter");
    g_object_set(head, "caps", outFixed, nullptr);
    for (const char* factory : chain) AddElement(factory);
    // The chain's output formats, asked through the chain back to the pinned output format.
    GstPad* lastSrc = gst_element_get_static_pad(elements_.back(), "src");
    GstPad* upstream = GST_PAD(gst_object_ref(out_));
    bool linked = true;
    for (GstElement* e : elements_) {
        GstPad* sink = gst_element_get_static_pad(e, "sink");
        linked = linked && gst_pad_link(upstream, sink) == GST_PAD_LINK_OK;
        gst_object_unref(sink);
        gst_object_unref(upstream);
        upstream = gst_element_get_static_pad(e, "src");
    }
    gst_object_unref(upstream);
    GstCaps* available = linked ? gst_pad_query_caps(lastSrc, nullptr) : nullptr;
    gst_object_unref(lastSrc);
    GstCaps* inCaps = PadCaps(in_);
    GstCaps* common = available ? Narrowed(gst_caps_intersect_full(inCaps, available, GST_CAPS_INTERSECT_FIRST), wanted)
                                : nullptr;
    gst_caps_unref(inCaps);
    if (available) gst_caps_unref(available);
    HRESULT hr = VFW_E_CANNOT_CONNECT;
    if (!Unusable(common)) {
        GstCaps* fixed = FixateLinkCaps(gst_caps_ref(common), gst_caps_get_structure(outFixed, 0));
        GstElement* tail = AddElement("capsfilter");
        g_object_set(tail, "caps", fixed, nullptr);
        GstPad* chainSrc = gst_element_get_static_pad(elements_[elements_.size() - 2], "src");
        GstPad* tailSink = gst_element_get_static_pad(tail, "sink");
        GstPad* tailSrc = gst_element_get_static_pad(tail, "src");
        if (gst_pad_link(chainSrc, tailSink) == GST_PAD_LINK_OK && gst_pad_link(tailSrc, in_) == GST_PAD_LINK_OK &&
            SUCCEEDED(MediaTypeForFixedCaps(outFixed, outType))) {
            hr = MediaTypeForFixedCaps(fixed, inType);
            if (FAILED(hr)) FreeMediaType(*outType);
        }
        gst_object_unref(chainSrc);
        gst_object_unref(tailSink);
        gst_object_unref(tailSrc);
        gst_caps_unref(fixed);
    }
    if (common) gst_caps_unref(common);
    gst_caps_unref(outFixed);
    if (FAILED(hr)) {
        Break();
        return hr;
    }
    for (GstElement* e : elements_) gst_element_sync_state_with_parent(e);
    return S_OK;
}

void PadLink::Break() {
    if (GstPad* peer = out_ ? gst_pad_get_peer(out_) : nullptr) {
        gst_pad_unlink(out_, peer);
        gst_object_unref(peer);
    }
    if (GstPad* peer = in_ ? gst_pad_get_peer(in_) : nullptr) {
        gst_pad_unlink(peer, in_);
        gst_object_unref(peer);
    }
    for (GstElement* e : elements_) {
        gst_element_set_locked_state(e, TRUE);
        gst_element_set_state(e, GST_STATE_NULL);
        gst_bin_remove(bin_, e);
        gst_object_unref(e);
    }
    elements_.clear();
}

}  // namespace media

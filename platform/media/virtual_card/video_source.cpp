#include "platform/media/virtual_card/video_source.h"

#include <algorithm>
#include <string>

#include "platform/media/device_lost.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/virtual_card/card_caps.h"
#include "platform/media/virtual_card/gate_probe.h"

namespace media {
namespace {

GstPadProbeReturn DropWhileOutputUnused(GstPad*, GstPadProbeInfo*, gpointer output) {
    return gst_pad_is_linked(GST_PAD(output)) ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
}

// True when `element`'s pad `padName` can take `caps` by its template.
bool PadTemplateTakes(GstElement* element, const char* padName, const GstCaps* caps) {
    GstOwned<GstPad> pad(gst_element_get_static_pad(element, padName));
    if (!pad) return false;
    GstCaps* accepted = gst_pad_get_pad_template_caps(pad.get());
    const bool takes = gst_caps_can_intersect(accepted, caps);
    gst_caps_unref(accepted);
    return takes;
}

}  // namespace

// One output: [leaky queue ->] scale -> convert -> raw caps [-> jpegenc] -> output caps -> ghost
// pad. The capture output runs on the picture's own thread; only the preview output has a
// queue, a leaky one, so that a slow preview never holds up capture (used only while both are in
// use). Frames enter an output only while something is connected to it, so an unused output
// converts nothing.
struct VirtualVideoSource::Branch {
    GstElement* head = nullptr;   // where the picture enters: the queue or the scaler
    GstPad* teePad = nullptr;     // the tee's output kept for this branch (owned)
    GstElement* queue = nullptr;  // the preview output's only
    GstElement* scale = nullptr;
    GstElement* convert = nullptr;
    GstElement* rawCaps = nullptr;
    GstElement* encoder = nullptr;  // present only while the format is MJPG
    GstElement* outCaps = nullptr;
    GstPad* ghost = nullptr;

    bool Build(GstBin* bin, GstElement* tee, const std::string& name, bool leaky) {
        scale = MakeElement("videoscale", (name + "-scale").c_str());
        convert = MakeElement("videoconvert", (name + "-convert").c_str());
        rawCaps = MakeElement("capsfilter", (name + "-raw").c_str());
        outCaps = MakeElement("capsfilter", (name + "-caps").c_str());
        if (!AddElements(bin, {scale, convert, rawCaps, outCaps})) return false;
        head = scale;
        if (leaky) {
            queue = MakeElement("queue", (name + "-queue").c_str());
            if (!AddElements(bin, {queue})) return false;
            // Two frames at most; older frames give way to newer ones.
            g_object_set(queue, "max-size-buffers", 2u, "max-size-bytes", 0u, "max-size-time", guint64{0}, nullptr);
            gst_util_set_object_arg(G_OBJECT(queue), "leaky", "downstream");
            if (!gst_element_link(queue, scale)) return false;
            head = queue;
        }
        teePad = gst_element_request_pad_simple(tee, "src_%u");
        if (!teePad || !gst_element_link_many(scale, convert, rawCaps, outCaps, nullptr)) return false;
        GstOwned<GstPad> out(gst_element_get_static_pad(outCaps, "src"));
        ghost = ExposeOutput(bin, out.get(), name.c_str());
        GstOwned<GstPad> entry(gst_element_get_static_pad(head, "sink"));
        gst_pad_add_probe(entry.get(), static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                          DropWhileOutputUnused, ghost, nullptr);
        return true;
    }

    bool InUse() const { return gst_pad_is_linked(ghost); }

    // Links `upstream` (the picture or the tee's pad) to this output: through its queue while
    // the picture is split, straight to the scaler when this output is the only one in use and
    // so has no other output to hold up.
    bool Feed(GstPad* upstream, bool alone) {
        GstElement* entry = scale;
        if (queue && !alone) {
            if (!gst_element_link(queue, scale)) return false;
            entry = queue;
        }
        GstOwned<GstPad> sink(gst_element_get_static_pad(entry, "sink"));
        return gst_pad_link(upstream, sink.get()) == GST_PAD_LINK_OK;
    }

    void Unfeed() {
        for (GstElement* entry : {queue, scale}) {
            if (!entry) continue;
            GstOwned<GstPad> sink(gst_element_get_static_pad(entry, "sink"));
            if (GstPad* peer = gst_pad_get_peer(sink.get())) {
                gst_pad_unlink(peer, sink.get());
                gst_object_unref(peer);
            }
        }
    }

    bool Apply(GstBin* bin, const VideoFormat& format) {
        const bool wantEncoder = format.encoding == VideoEncoding::MJPG;
        // New caps first: linking checks them.
        SetFilterCaps(rawCaps, wantEncoder ? ProcessingCapsFor(format) : VideoCapsFor(format));
        SetFilterCaps(outCaps, VideoCapsFor(format));
        if (wantEncoder && !encoder) {
            encoder = MakeElement("jpegenc", nullptr);
            if (!encoder) return false;
            gst_element_unlink(rawCaps, outCaps);
            gst_bin_add(bin, encoder);
            if (!gst_element_link_many(rawCaps, encoder, outCaps, nullptr)) return false;
            gst_element_sync_state_with_parent(encoder);
        } else if (!wantEncoder && encoder) {
            gst_element_unlink_many(rawCaps, encoder, outCaps, nullptr);
            gst_element_set_state(encoder, GST_STATE_NULL);
            gst_bin_remove(bin, encoder);
            encoder = nullptr;
            if (!gst_element_link(rawCaps, outCaps)) return false;
        }
        return true;
    }
};

std::unique_ptr<VirtualVideoSource> VirtualVideoSource::Create(const char* name) {
    std::unique_ptr<VirtualVideoSource> source(new VirtualVideoSource());
    if (!source->Build(name)) return nullptr;
    return source;
}

VirtualVideoSource::~VirtualVideoSource() {
    for (const std::unique_ptr<Branch>* branch : {&capture_, &preview_}) {
        if (!*branch) continue;
        if ((*branch)->ghost) g_signal_handlers_disconnect_by_data((*branch)->ghost, this);
        if ((*branch)->teePad) gst_object_unref((*branch)->teePad);
    }
    if (bin_) gst_object_unref(bin_);
}

bool VirtualVideoSource::Build(const char* name) {
    bin_ = gst_bin_new(name);
    gst_object_ref_sink(bin_);
    GstBin* bin = GST_BIN(bin_);

    pattern_ = MakeElement("videotestsrc", "pattern");
    sourceCaps_ = MakeElement("capsfilter", "source-caps");
    overlay_ = MakeElement("textoverlay", "caption");
    balance_ = MakeElement("videobalance", "balance");
    gamma_ = MakeElement("gamma", "gamma");
    tee_ = MakeElement("tee", "split");
    GstElement* tee = tee_;
    if (!AddElements(bin, {pattern_, sourceCaps_, overlay_, balance_, gamma_, tee})) return false;
    // A scrolling colour-bar picture, so a preview visibly moves.
    g_object_set(pattern_, "is-live", TRUE, "horizontal-speed", 4, nullptr);
    // Outlined letters with a drop shadow read on any picture; a shaded box behind them would
    // darken a part of every frame anew, most of the caption's cost.
    g_object_set(overlay_, "shaded-background", FALSE, "draw-outline", TRUE, "draw-shadow", TRUE, nullptr);
    gst_util_set_object_arg(G_OBJECT(overlay_), "valignment", "top");
    gst_util_set_object_arg(G_OBJECT(overlay_), "halignment", "left");
    if (!gst_element_link_many(pattern_, sourceCaps_, overlay_, balance_, gamma_, nullptr)) return false;

    GstOwned<GstPad> picture(gst_element_get_static_pad(gamma_, "src"));
    AttachFrameGate(picture.get(), gate_, Numbering::Frames);

    capture_ = std::make_unique<Branch>();
    preview_ = std::make_unique<Branch>();
    // The tee feeds its outputs in the order they were made: preview first, so its queue holds
    // a frame before a capture sink that waits to preroll can hold up the picture's thread.
    if (!preview_->Build(bin, tee, "preview", true) || !capture_->Build(bin, tee, "capture", false)) return false;
    for (GstPad* output : {capture_->ghost, preview_->ghost}) {
        g_signal_connect(output, "linked", G_CALLBACK(&VirtualVideoSource::OnOutputLinkChanged), this);
        g_signal_connect(output, "unlinked", G_CALLBACK(&VirtualVideoSource::OnOutputLinkChanged), this);
    }
    SetCaption(ChannelCaption(1));
    return RouteThePicture() && ApplyFormats();
}

// The picture goes straight into the one output in use, through nothing that holds its
// buffers and on its own thread: a sink downstream then lends the picture its own buffers (a
// tee never passes such an offer on, so every frame would be copied into the sink's). With both
// outputs in use, or neither, the tee splits it and the preview takes its leaky queue.
bool VirtualVideoSource::RouteThePicture() {
    GstOwned<GstPad> picture(gst_element_get_static_pad(gamma_, "src"));
    GstOwned<GstPad> teeSink(gst_element_get_static_pad(tee_, "sink"));
    if (GstPad* peer = gst_pad_get_peer(picture.get())) {
        gst_pad_unlink(picture.get(), peer);
        gst_object_unref(peer);
    }
    capture_->Unfeed();
    preview_->Unfeed();
    if (capture_->InUse() != preview_->InUse())
        return (capture_->InUse() ? capture_ : preview_)->Feed(picture.get(), true);
    return gst_pad_link(picture.get(), teeSink.get()) == GST_PAD_LINK_OK && preview_->Feed(preview_->teePad, false) &&
           capture_->Feed(capture_->teePad, false);
}

GstPad* VirtualVideoSource::CapturePad() const { return capture_->ghost; }
GstPad* VirtualVideoSource::PreviewPad() const { return preview_->ghost; }

bool VirtualVideoSource::Stopped() const {
    GstState current = GST_STATE_VOID_PENDING, pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(bin_, &current, &pending, 0);
    return current <= GST_STATE_READY && pending <= GST_STATE_READY;
}

VideoFormat VirtualVideoSource::PreviewFormat() const {
    VideoFormat f = previewFormat_;
    f.fpsNumerator = captureFormat_.fpsNumerator;
    f.fpsDenominator = captureFormat_.fpsDenominator;
    return f;
}

bool VirtualVideoSource::SetCaptureFormat(const VideoFormat& format) {
    if (!IsVideoCapability(format) || !Stopped()) return false;
    captureFormat_ = format;
    return ApplyFormats();
}

bool VirtualVideoSource::SetPreviewFormat(const VideoFormat& format) {
    if (!IsPreviewCapability(format) || !Stopped()) return false;
    previewFormat_ = format;
    return ApplyFormats();
}

bool VirtualVideoSource::ApplyFormats() {
    ShapeThePicture();
    return capture_->Apply(GST_BIN(bin_), captureFormat_) && preview_->Apply(GST_BIN(bin_), PreviewFormat());
}

// The picture's format, and the caption's size for it: the letters of a 640-pixel-wide picture,
// smaller on a narrower one so the caption fits, never larger on a wider one (the letters are
// blended into every frame, so their area is what the caption costs).
void VirtualVideoSource::ShapeThePicture() {
    GstCaps* caps = PictureCaps();
    int width = 640;
    gst_structure_get_int(gst_caps_get_structure(caps, 0), "width", &width);
    SetFilterCaps(sourceCaps_, caps);
    const int points = std::max(8, 28 * std::min(width, 640) / 640);
    const std::string font = "Sans Bold " + std::to_string(points);
    g_object_set(overlay_, "auto-resize", FALSE, "font-desc", font.c_str(), nullptr);
}

// The picture is made once, in the format of the output in use (the capture output when both
// or neither are), so that output passes the frames on as they are. A format the caption and
// picture controls cannot draw on (JPEG) is made as I420 of the same size.
GstCaps* VirtualVideoSource::PictureCaps() const {
    const bool previewOnly = !gst_pad_is_linked(capture_->ghost) && gst_pad_is_linked(preview_->ghost);
    const VideoFormat format = previewOnly ? PreviewFormat() : captureFormat_;
    if (format.encoding != VideoEncoding::MJPG) {
        GstCaps* caps = VideoCapsFor(format);
        if (PadTemplateTakes(overlay_, "video_sink", caps) && PadTemplateTakes(balance_, "sink", caps) &&
            PadTemplateTakes(gamma_, "sink", caps))
            return caps;
        gst_caps_unref(caps);
    }
    return ProcessingCapsFor(format);
}

void VirtualVideoSource::OnOutputLinkChanged(GstPad*, GstPad*, gpointer self) {
    auto* source = static_cast<VirtualVideoSource*>(self);
    // Connections are made while stopped; the route and the format follow them for the next start.
    if (!source->Stopped()) return;
    source->RouteThePicture();
    source->ShapeThePicture();
}

void VirtualVideoSource::SetCaption(const std::string& text) { g_object_set(overlay_, "text", text.c_str(), nullptr); }

void VirtualVideoSource::SetPicture(const PictureAdjustment& picture) {
    g_object_set(balance_, "brightness", picture.brightness, "contrast", picture.contrast, "hue", picture.hue,
                 "saturation", picture.saturation, nullptr);
    g_object_set(gamma_, "gamma", picture.gamma, nullptr);
}

void VirtualVideoSource::SetSignal(Signal signal) {
    const char* pattern = signal == Signal::Snow ? "snow" : signal == Signal::Black ? "black" : "smpte";
    gst_util_set_object_arg(G_OBJECT(pattern_), "pattern", pattern);
}

void VirtualVideoSource::Disappear() {
    if (gate_->Disappeared()) return;
    gate_->Disappear();
    PostDeviceLost(bin_);
}

}  // namespace media

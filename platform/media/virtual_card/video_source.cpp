#include "platform/media/virtual_card/video_source.h"

#include <string>

#include "platform/media/device_lost.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/virtual_card/card_caps.h"
#include "platform/media/virtual_card/gate_probe.h"

namespace media {

// One output: queue -> scale -> convert -> raw caps [-> jpegenc] -> output caps -> ghost pad.
struct VirtualVideoSource::Branch {
    GstElement* queue = nullptr;
    GstElement* scale = nullptr;
    GstElement* convert = nullptr;
    GstElement* rawCaps = nullptr;
    GstElement* encoder = nullptr;  // present only while the format is MJPG
    GstElement* outCaps = nullptr;
    GstPad* ghost = nullptr;

    bool Build(GstBin* bin, GstElement* tee, const std::string& name, bool leaky) {
        queue = MakeElement("queue", (name + "-queue").c_str());
        scale = MakeElement("videoscale", (name + "-scale").c_str());
        convert = MakeElement("videoconvert", (name + "-convert").c_str());
        rawCaps = MakeElement("capsfilter", (name + "-raw").c_str());
        outCaps = MakeElement("capsfilter", (name + "-caps").c_str());
        if (!AddElements(bin, {queue, scale, convert, rawCaps, outCaps})) return false;
        if (leaky) {
            // Two frames at most; older frames give way to newer ones.
            g_object_set(queue, "max-size-buffers", 2u, "max-size-bytes", 0u, "max-size-time", guint64{0}, nullptr);
            gst_util_set_object_arg(G_OBJECT(queue), "leaky", "downstream");
        }
        if (!gst_element_link_many(tee, queue, scale, convert, rawCaps, outCaps, nullptr)) return false;
        GstOwned<GstPad> out(gst_element_get_static_pad(outCaps, "src"));
        ghost = ExposeOutput(bin, out.get(), name.c_str());
        return true;
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
    GstElement* tee = MakeElement("tee", "split");
    if (!AddElements(bin, {pattern_, sourceCaps_, overlay_, balance_, gamma_, tee})) return false;
    // A scrolling colour-bar picture, so a preview visibly moves.
    g_object_set(pattern_, "is-live", TRUE, "horizontal-speed", 4, nullptr);
    g_object_set(overlay_, "shaded-background", TRUE, "font-desc", "Sans Bold 28", nullptr);
    gst_util_set_object_arg(G_OBJECT(overlay_), "valignment", "top");
    gst_util_set_object_arg(G_OBJECT(overlay_), "halignment", "left");
    if (!gst_element_link_many(pattern_, sourceCaps_, overlay_, balance_, gamma_, tee, nullptr)) return false;

    GstOwned<GstPad> teeSink(gst_element_get_static_pad(tee, "sink"));
    AttachFrameGate(teeSink.get(), gate_, Numbering::Frames);

    capture_ = std::make_unique<Branch>();
    preview_ = std::make_unique<Branch>();
    if (!capture_->Build(bin, tee, "capture", false) || !preview_->Build(bin, tee, "preview", true)) return false;
    SetCaption(ChannelCaption(1));
    return ApplyFormats();
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
    if (!IsVideoCapability(format) || !Stopped()) return false;
    previewFormat_ = format;
    return ApplyFormats();
}

bool VirtualVideoSource::ApplyFormats() {
    SetFilterCaps(sourceCaps_, ProcessingCapsFor(captureFormat_));
    return capture_->Apply(GST_BIN(bin_), captureFormat_) && preview_->Apply(GST_BIN(bin_), PreviewFormat());
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

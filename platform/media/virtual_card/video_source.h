// The virtual TV card's picture: a live, moving test pattern that shows the tuned channel
// and the proc amp's effect, as a GstBin with two output pads, "capture" and "preview".
// The picture is drawn once, in the format of the output in use, and goes straight into that
// output, or through a tee when both are in use; an output converts only when its own format
// differs and only while something is connected to it. The preview branch is leaky, so it never
// holds up capture.
#pragma once

#include "platform/media/gst.h"

#include <memory>
#include <string>

#include "platform/media/virtual_card/card_formats.h"
#include "platform/media/virtual_card/frame_gate.h"
#include "platform/media/virtual_card/proc_amp.h"

namespace media {

class VirtualVideoSource {
public:
    enum class Signal { Picture, Snow, Black };

    // nullptr when a needed GStreamer element is missing.
    static std::unique_ptr<VirtualVideoSource> Create(const char* name);
    ~VirtualVideoSource();
    VirtualVideoSource(const VirtualVideoSource&) = delete;
    VirtualVideoSource& operator=(const VirtualVideoSource&) = delete;

    // The bin (owned by this object; a pipeline that adds it takes its own reference).
    GstElement* Element() const { return bin_; }
    GstPad* CapturePad() const;
    GstPad* PreviewPad() const;

    // Formats change only while the bin is stopped (READY or NULL); false otherwise or for a
    // format that is not one of the output's capabilities (the preview's add RGB32). The preview
    // runs at the capture pin's rate.
    bool SetCaptureFormat(const VideoFormat& format);
    bool SetPreviewFormat(const VideoFormat& format);
    const VideoFormat& CaptureFormat() const { return captureFormat_; }
    VideoFormat PreviewFormat() const;

    void SetCaption(const std::string& text);
    void SetPicture(const PictureAdjustment& picture);
    // Snow stands for a signal without horizontal lock, black for a disabled decoder output.
    void SetSignal(Signal signal);

    // Test controls and counts; see FrameGate.
    FrameGate& Gate() { return *gate_; }
    // Stops producing and posts the device-lost message.
    void Disappear();

private:
    struct Branch;
    VirtualVideoSource() = default;
    bool Build(const char* name);
    bool Stopped() const;
    bool ApplyFormats();
    bool RouteThePicture();
    GstCaps* PictureCaps() const;
    void ShapeThePicture();
    // "linked"/"unlinked" of an output: the picture's format follows what is connected.
    static void OnOutputLinkChanged(GstPad* output, GstPad* peer, gpointer self);

    GstElement* bin_ = nullptr;
    GstElement* pattern_ = nullptr;
    GstElement* sourceCaps_ = nullptr;
    GstElement* overlay_ = nullptr;
    GstElement* balance_ = nullptr;
    GstElement* gamma_ = nullptr;
    GstElement* tee_ = nullptr;
    std::unique_ptr<Branch> capture_;
    std::unique_ptr<Branch> preview_;
    VideoFormat captureFormat_ = VideoCapabilities().front();
    VideoFormat previewFormat_ = PreviewCapabilities().front();
    std::shared_ptr<FrameGate> gate_ = std::make_shared<FrameGate>();
};

}  // namespace media

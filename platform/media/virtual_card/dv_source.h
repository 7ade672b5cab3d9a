// The virtual DV camcorder: a live test picture encoded as DV with a stereo 48 kHz tone
// multiplexed into the same frames, as a GstBin with one interleaved output pad, "capture"
// (video/x-dv, systemstream=true; one frame of 120000 bytes (NTSC) or 144000 bytes (PAL)
// per buffer).
#pragma once

#include "platform/media/gst.h"

#include <memory>
#include <string>

#include "platform/media/virtual_card/card_formats.h"
#include "platform/media/virtual_card/frame_gate.h"

namespace media {

class VirtualDvSource {
public:
    static std::unique_ptr<VirtualDvSource> Create(const char* name, DvSystem system);
    ~VirtualDvSource();
    VirtualDvSource(const VirtualDvSource&) = delete;
    VirtualDvSource& operator=(const VirtualDvSource&) = delete;

    GstElement* Element() const { return bin_; }
    GstPad* CapturePad() const { return capture_; }
    DvSystem System() const { return system_; }

    void SetCaption(const std::string& text);
    FrameGate& Gate() { return *gate_; }
    void Disappear();

    struct Framer;

    // Replaces the muxer by a fresh one; called by the camcorder's bin each time it stops.
    bool RenewMuxer();

private:
    explicit VirtualDvSource(DvSystem system);
    bool Build(const char* name);
    bool BuildVideo(GstElement* mux);
    bool BuildAudio(GstElement* mux);
    bool BuildOutput(GstElement* mux);
    bool LinkMuxer(GstElement* mux);

    DvSystem system_;
    GstElement* bin_ = nullptr;
    GstElement* overlay_ = nullptr;
    GstPad* capture_ = nullptr;
    std::shared_ptr<FrameGate> gate_ = std::make_shared<FrameGate>();
    std::shared_ptr<Framer> framer_;
};

}  // namespace media

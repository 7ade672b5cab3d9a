// The virtual TV card's sound: a live sine tone whose pitch follows the tuned channel, as a
// GstBin with one output pad, "capture" (16-bit PCM), made by the tone element.
#pragma once

#include "platform/media/gst.h"

#include <memory>

#include "platform/media/virtual_card/card_formats.h"
#include "platform/media/virtual_card/frame_gate.h"

namespace media {

class VirtualAudioSource {
public:
    static std::unique_ptr<VirtualAudioSource> Create(const char* name);
    ~VirtualAudioSource();
    VirtualAudioSource(const VirtualAudioSource&) = delete;
    VirtualAudioSource& operator=(const VirtualAudioSource&) = delete;

    GstElement* Element() const { return bin_; }
    GstPad* CapturePad() const { return capture_; }

    // Only while stopped, and only one of the capabilities.
    bool SetFormat(const AudioFormat& format);
    const AudioFormat& Format() const { return format_; }
    // The size of each buffer (whole sample frames of it); 0 is a tenth of a second, the default.
    // Only while stopped.
    bool SetBufferBytes(unsigned bytes);

    void SetToneFrequency(double hertz);
    double ToneFrequency() const;
    // Silence while the card routes no sound to the audio capture input.
    void SetMuted(bool muted);
    bool Muted() const;

    // Buffers keep their sample positions as offsets; the gate counts and can hold them.
    FrameGate& Gate() { return *gate_; }
    void Disappear();

private:
    VirtualAudioSource() = default;
    bool Build(const char* name);
    bool Stopped() const;

    GstElement* bin_ = nullptr;
    GstElement* tone_ = nullptr;
    GstElement* caps_ = nullptr;
    GstPad* capture_ = nullptr;
    AudioFormat format_ = AudioCapabilities().front();
    std::shared_ptr<FrameGate> gate_ = std::make_shared<FrameGate>();
};

}  // namespace media

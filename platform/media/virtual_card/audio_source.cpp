#include "platform/media/virtual_card/audio_source.h"

#include "platform/media/device_lost.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/virtual_card/card_caps.h"
#include "platform/media/virtual_card/gate_probe.h"
#include "platform/media/virtual_card/tone_element.h"

namespace media {

namespace {
constexpr double kToneVolume = 0.4;
}  // namespace

std::unique_ptr<VirtualAudioSource> VirtualAudioSource::Create(const char* name) {
    std::unique_ptr<VirtualAudioSource> source(new VirtualAudioSource());
    if (!source->Build(name)) return nullptr;
    return source;
}

VirtualAudioSource::~VirtualAudioSource() {
    if (bin_) gst_object_unref(bin_);
}

bool VirtualAudioSource::Build(const char* name) {
    bin_ = gst_bin_new(name);
    gst_object_ref_sink(bin_);
    // Buffers of a tenth of a second unless the capture pin is asked for another size.
    tone_ = MakeToneElement("tone");
    caps_ = MakeElement("capsfilter", "capture-caps");
    if (!AddElements(GST_BIN(bin_), {tone_, caps_})) return false;
    g_object_set(tone_, "volume", kToneVolume, nullptr);
    SetToneFrequency(ToneFrequencyForChannel(1));
    if (!gst_element_link(tone_, caps_)) return false;
    SetFilterCaps(caps_, AudioCapsFor(format_));

    GstOwned<GstPad> out(gst_element_get_static_pad(caps_, "src"));
    AttachFrameGate(out.get(), gate_, Numbering::Keep);
    capture_ = ExposeOutput(GST_BIN(bin_), out.get(), "capture");
    return true;
}

bool VirtualAudioSource::Stopped() const {
    GstState current = GST_STATE_VOID_PENDING, pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(bin_, &current, &pending, 0);
    return current <= GST_STATE_READY && pending <= GST_STATE_READY;
}

bool VirtualAudioSource::SetFormat(const AudioFormat& format) {
    if (!IsAudioCapability(format) || !Stopped()) return false;
    format_ = format;
    SetFilterCaps(caps_, AudioCapsFor(format_));
    return true;
}

bool VirtualAudioSource::SetBufferBytes(unsigned bytes) {
    if (!Stopped()) return false;
    g_object_set(tone_, "buffer-bytes", bytes, nullptr);
    return true;
}

void VirtualAudioSource::SetToneFrequency(double hertz) { g_object_set(tone_, "freq", hertz, nullptr); }

double VirtualAudioSource::ToneFrequency() const {
    double hertz = 0;
    g_object_get(tone_, "freq", &hertz, nullptr);
    return hertz;
}

// Silence while muted is the tone at volume zero.
void VirtualAudioSource::SetMuted(bool muted) { g_object_set(tone_, "volume", muted ? 0.0 : kToneVolume, nullptr); }

bool VirtualAudioSource::Muted() const {
    double volume = 0;
    g_object_get(tone_, "volume", &volume, nullptr);
    return volume == 0.0;
}

void VirtualAudioSource::Disappear() {
    if (gate_->Disappeared()) return;
    gate_->Disappear();
    PostDeviceLost(bin_);
}

}  // namespace media

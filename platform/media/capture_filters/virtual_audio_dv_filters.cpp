// The virtual TV card's audio capture filter (one "Capture" pin, 16-bit PCM, its tone
// following the tuned channel; its inputs "Tuner Audio In" and "Line In" carry the input
// mixer) and the virtual DV camcorder (one interleaved DV pin).
#include <memory>

#include "platform/media/capture_filters/audio_input_pin.h"
#include "platform/media/capture_filters/capture_filters.h"
#include "platform/media/capture_filters/capture_pin.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/capture_filters/virtual_card.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/virtual_card/audio_source.h"
#include "platform/media/virtual_card/card_caps.h"
#include "platform/media/virtual_card/dv_source.h"
#include "platform/media/capture_constants.h"

namespace media {
namespace {

int IndexOf(const AudioFormat& format) {
    const auto& list = AudioCapabilities();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] == format) return static_cast<int>(i);
    return 0;
}

class VirtualAudioCaptureFilter final : public GstFilterBase {
public:
    VirtualAudioCaptureFilter(std::unique_ptr<VirtualAudioSource> source, std::shared_ptr<VirtualCard> card)
        : GstFilterBase(CLSID_QuilldeckVirtualAudioCapture, u"Quilldeck Virtual TV Card Audio", source->Element(),
                        &CaptureFilterCounter()),
          source_(std::move(source)),
          card_(std::move(card)) {
        VirtualAudioSource* src = source_.get();
        std::vector<GstCaps*> caps;
        for (const AudioFormat& f : AudioCapabilities()) caps.push_back(AudioCapsFor(f));
        PinSetup capture;
        capture.name = u"Capture";
        capture.category = PIN_CATEGORY_CAPTURE;
        capture.pad = src->CapturePad();
        capture.formats = std::make_unique<PinFormats>(std::move(caps), IndexOf(src->Format()), [src](int index, GstCaps*) {
            return src->SetFormat(AudioCapabilities()[static_cast<std::size_t>(index)]) ? S_OK : E_FAIL;
        });
        capture.bufferSize = [src](LONG bytes) { return src->SetBufferBytes(static_cast<unsigned>(bytes)); };
        AddPin(std::make_unique<CapturePin>(this, std::move(capture)));
        AddPin(std::make_unique<AudioInputPin>(this, u"Tuner Audio In"));
        AddPin(std::make_unique<AudioInputPin>(this, u"Line In"));
        card_->Attach(src);
    }

    ~VirtualAudioCaptureFilter() override { card_->Detach(source_.get()); }

private:
    std::unique_ptr<VirtualAudioSource> source_;
    std::shared_ptr<VirtualCard> card_;
};

GstCaps* DvCaps(DvSystem system) {
    const bool ntsc = system == DvSystem::NTSC;
    return gst_caps_new_simple("video/x-dv", "systemstream", G_TYPE_BOOLEAN, TRUE, "width", G_TYPE_INT, 720, "height",
                               G_TYPE_INT, ntsc ? 480 : 576, "framerate", GST_TYPE_FRACTION, ntsc ? 30000 : 25,
                               ntsc ? 1001 : 1, nullptr);
}

// The camcorder's bin behind a capsfilter: its frames are made late (after the muxer), so
// the capsfilter is what tells a connection the format before the camcorder runs.
struct DvOutput {
    GstElement* bin = nullptr;  // owned (sunk)
    GstPad* pad = nullptr;      // the bin's ghost pad
};

DvOutput WrapDvSource(VirtualDvSource& source) {
    DvOutput out;
    out.bin = gst_bin_new(UniqueElementName("dv-camcorder").c_str());
    gst_object_ref_sink(out.bin);
    GstElement* caps = MakeElement("capsfilter", "dv-caps");
    if (!caps) return out;
    gst_bin_add_many(GST_BIN(out.bin), source.Element(), caps, nullptr);
    SetFilterCaps(caps, DvCaps(source.System()));
    GstOwned<GstPad> sink(gst_element_get_static_pad(caps, "sink"));
    GstOwned<GstPad> src(gst_element_get_static_pad(caps, "src"));
    if (gst_pad_link(source.CapturePad(), sink.get()) != GST_PAD_LINK_OK) return out;
    out.pad = ExposeOutput(GST_BIN(out.bin), src.get(), "capture");
    return out;
}

class VirtualDvCaptureFilter final : public GstFilterBase {
public:
    VirtualDvCaptureFilter(std::unique_ptr<VirtualDvSource> source, DvOutput output)
        : GstFilterBase(CLSID_QuilldeckVirtualDvCapture, u"Quilldeck Virtual DV Camcorder", output.bin, &CaptureFilterCounter()),
          source_(std::move(source)),
          bin_(output.bin) {
        const DvSystem system = source_->System();
        // The camcorder records in its own system only: one capability.
        PinSetup capture;
        capture.name = u"DV A/V Out";
        capture.category = PIN_CATEGORY_CAPTURE;
        capture.pad = output.pad;
        capture.gate = std::shared_ptr<FrameGate>(source_, &source_->Gate());
        capture.formats = std::make_unique<PinFormats>(std::vector<GstCaps*>{DvCaps(system)}, 0, nullptr,
                                                       system == DvSystem::NTSC ? AnalogVideo_NTSC_M : AnalogVideo_PAL_B);
        AddPin(std::make_unique<CapturePin>(this, std::move(capture)));
    }

    ~VirtualDvCaptureFilter() override {
        gst_element_set_state(bin_, GST_STATE_NULL);
        gst_object_unref(bin_);
    }

private:
    std::shared_ptr<VirtualDvSource> source_;
    GstElement* bin_;
};

}  // namespace

HRESULT CreateVirtualAudioCaptureFilter(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!EnsureGstStarted()) return E_FAIL;
    std::unique_ptr<VirtualAudioSource> source = VirtualAudioSource::Create(UniqueElementName("virtual-tv-card-audio").c_str());
    if (!source) return E_FAIL;
    return CreateComObject<VirtualAudioCaptureFilter>(riid, object, std::move(source), VirtualCard::Acquire());
}

HRESULT CreateVirtualDvCaptureFilter(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!EnsureGstStarted()) return E_FAIL;
    std::unique_ptr<VirtualDvSource> source =
        VirtualDvSource::Create(UniqueElementName("virtual-dv-camcorder").c_str(), DvSystem::NTSC);
    if (!source) return E_FAIL;
    DvOutput output = WrapDvSource(*source);
    if (!output.pad) {
        if (output.bin) gst_object_unref(output.bin);
        return E_FAIL;
    }
    return CreateComObject<VirtualDvCaptureFilter>(riid, object, std::move(source), output);
}

}  // namespace media

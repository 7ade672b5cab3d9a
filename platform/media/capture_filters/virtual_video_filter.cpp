// The virtual TV card's video capture filter: "Capture" and "Preview" output pins and the
// "Analog Video In" pin wired to the card's video crossbar; the proc amp and the video
// decoder are the filter's own interfaces.
#include <memory>

#include "platform/media/capture_filters/capture_filters.h"
#include "platform/media/capture_filters/card_hardware.h"
#include "platform/media/capture_filters/capture_pin.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/virtual_card/card_caps.h"
#include "platform/media/virtual_card/video_source.h"
#include "platform/media/capture_constants.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/tv_hardware.h"

namespace media {
namespace {

std::vector<GstCaps*> CapsOf(const std::vector<VideoFormat>& formats) {
    std::vector<GstCaps*> caps;
    for (const VideoFormat& f : formats) caps.push_back(VideoCapsFor(f));
    return caps;
}

int IndexIn(const std::vector<VideoFormat>& list, const VideoFormat& format) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] == format) return static_cast<int>(i);
    return 0;
}

class VirtualVideoCaptureFilter final : public ComExtend<GstFilterBase, IAMVideoProcAmp, IAMAnalogVideoDecoder> {
public:
    VirtualVideoCaptureFilter(std::unique_ptr<VirtualVideoSource> source, std::shared_ptr<VirtualCard> card)
        : ComExtend(CLSID_QuilldeckVirtualVideoCapture, u"Quilldeck Virtual TV Card", source->Element(), &CaptureFilterCounter()),
          source_(std::move(source)),
          card_(std::move(card)) {
        VirtualVideoSource* src = source_.get();
        PinSetup capture;
        capture.name = u"Capture";
        capture.category = PIN_CATEGORY_CAPTURE;
        capture.pad = src->CapturePad();
        capture.gate = std::shared_ptr<FrameGate>(source_, &src->Gate());
        capture.formats = std::make_unique<PinFormats>(
            CapsOf(VideoCapabilities()), IndexIn(VideoCapabilities(), src->CaptureFormat()),
            [this, src](int index, GstCaps*) {
                if (!src->SetCaptureFormat(VideoCapabilities()[static_cast<std::size_t>(index)])) return E_FAIL;
                preview_->Formats()->SetCurrentIndex(IndexIn(PreviewCapabilities(), src->PreviewFormat()));
                return S_OK;
            },
            AnalogVideo_NTSC_M_J);
        AddPin(std::make_unique<CapturePin>(this, std::move(capture)));

        PinSetup preview;
        preview.name = u"Preview";
        preview.category = PIN_CATEGORY_PREVIEW;
        preview.pad = src->PreviewPad();
        // RGB32 first: a renderer that takes it draws the card's frames with no conversion.
        preview.formats = std::make_unique<PinFormats>(
            CapsOf(PreviewCapabilities()), IndexIn(PreviewCapabilities(), src->PreviewFormat()),
            [src](int index, GstCaps*) {
                // The preview shows the captured frames: it runs at the capture pin's rate.
                const VideoFormat& f = PreviewCapabilities()[static_cast<std::size_t>(index)];
                const VideoFormat& c = src->CaptureFormat();
                if (f.fpsNumerator != c.fpsNumerator || f.fpsDenominator != c.fpsDenominator)
                    return VFW_E_INVALIDMEDIATYPE;
                return src->SetPreviewFormat(f) ? S_OK : E_FAIL;
            },
            AnalogVideo_NTSC_M_J);
        preview_ = AddPin(std::make_unique<CapturePin>(this, std::move(preview)));

        PinSetup analog;
        analog.name = u"Analog Video In";
        analog.direction = PINDIR_INPUT;
        analog.category = PIN_CATEGORY_ANALOGVIDEOIN;
        analogIn_ = AddPin(std::make_unique<CapturePin>(this, std::move(analog)));

        hardware_ = BuildCardHardware(card_);
        if (hardware_.videoOutput) CapturePin::LinkMedium(hardware_.videoOutput, analogIn_);
        card_->Attach(src);
    }

    ~VirtualVideoCaptureFilter() override {
        analogIn_->UnlinkMedium();
        card_->Detach(source_.get());
    }

    // IAMVideoProcAmp
    HRESULT GetRange(LONG property, LONG* min, LONG* max, LONG* step, LONG* defaultValue, LONG* capsFlags) override {
        if (!min || !max || !step || !defaultValue || !capsFlags) return E_POINTER;
        ProcAmpRange r{};
        const HRESULT hr = Locked([&] { return card_->procAmp.GetRange(property, &r); });
        if (FAILED(hr)) return hr;
        *min = r.min;
        *max = r.max;
        *step = r.step;
        *defaultValue = r.defaultValue;
        *capsFlags = r.capsFlags;
        return S_OK;
    }
    HRESULT Set(LONG property, LONG value, LONG flags) override {
        return Changed(Locked([&] { return card_->procAmp.Set(property, value, flags); }));
    }
    HRESULT Get(LONG property, LONG* value, LONG* flags) override {
        return Locked([&] { return card_->procAmp.Get(property, value, flags); });
    }

    // IAMAnalogVideoDecoder
    HRESULT get_AvailableTVFormats(LONG* standards) override {
        return Value(standards, [&] { return card_->decoder.AvailableTVFormats(); });
    }
    HRESULT put_TVFormat(LONG standard) override {
        return Changed(Locked([&] { return card_->decoder.PutTVFormat(standard); }));
    }
    HRESULT get_TVFormat(LONG* standard) override { return Value(standard, [&] { return card_->decoder.TVFormat(); }); }
    HRESULT get_HorizontalLocked(LONG* locked) override {
        return Value(locked, [&] { return LONG{card_->decoder.HorizontalLocked() ? 1 : 0}; });
    }
    HRESULT put_VCRHorizontalLocking(LONG locking) override {
        return Changed(Locked([&] {
            card_->decoder.PutVCRHorizontalLocking(locking != 0);
            return S_OK;
        }));
    }
    HRESULT get_VCRHorizontalLocking(LONG* locking) override {
        return Value(locking, [&] { return LONG{card_->decoder.VCRHorizontalLocking() ? 1 : 0}; });
    }
    HRESULT get_NumberOfLines(LONG* lines) override { return Value(lines, [&] { return card_->decoder.NumberOfLines(); }); }
    HRESULT put_OutputEnable(LONG enable) override {
        return Changed(Locked([&] {
            card_->decoder.PutOutputEnable(enable != 0);
            return S_OK;
        }));
    }
    HRESULT get_OutputEnable(LONG* enable) override {
        return Value(enable, [&] { return LONG{card_->decoder.OutputEnable() ? 1 : 0}; });
    }

private:
    template <typename F>
    HRESULT Locked(F&& f) {
        std::lock_guard lock(card_->Mutex());
        return f();
    }
    template <typename F>
    HRESULT Value(LONG* out, F&& f) {
        if (!out) return E_POINTER;
        return Locked([&] {
            *out = f();
            return S_OK;
        });
    }
    HRESULT Changed(HRESULT hr) {
        if (SUCCEEDED(hr)) card_->Refresh();
        return hr;
    }

    std::shared_ptr<VirtualVideoSource> source_;
    std::shared_ptr<VirtualCard> card_;
    CapturePin* preview_ = nullptr;
    CapturePin* analogIn_ = nullptr;
    CardHardware hardware_;
};

}  // namespace

HRESULT CreateVirtualVideoCaptureFilter(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!EnsureGstStarted()) return E_FAIL;
    std::unique_ptr<VirtualVideoSource> source = VirtualVideoSource::Create(UniqueElementName("virtual-tv-card").c_str());
    if (!source) return E_FAIL;
    return CreateComObject<VirtualVideoCaptureFilter>(riid, object, std::move(source), VirtualCard::Acquire());
}

}  // namespace media

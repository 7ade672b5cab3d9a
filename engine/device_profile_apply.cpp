// Applying a device profile's hardware settings to the session, item by item in the
// profile's priority order.
#include <array>
#include <cstring>
#include <vector>

#include "engine/audio_input_pins.h"
#include "engine/capture_engine.h"
#include "engine/owned_media_type.h"
#include "engine/video_format_fields.h"
#include "platform/com/com_runtime.h"
#include "platform/media/interfaces/grabber.h"

namespace {

// The fixed order of the items within one priority key.
constexpr std::array<DeviceApplyItem, kApplyItemCount> kItemOrder = {
    ApplyTVTuner,
    ApplyTVAudio,
    ApplyAnalogVideoDecoder,
    ApplyCrossbar1,
    ApplyCrossbar2,
    ApplyVideoProcAmp,
    ApplyStreamConfigVideoCapturePin,
    ApplyStreamConfigVideoPreviewPin,
    ApplyStreamConfigAudioCapturePin,
    ApplyStreamConfigAudioPreviewPin,
    ApplyAudioInputMixer,
    ApplyBufferNegotiationVideoCapturePin,
    ApplyBufferNegotiationVideoPreviewPin,
    ApplyBufferNegotiationAudioCapturePin,
    ApplyBufferNegotiationAudioPreviewPin,
};

bool IsExcluded(const CDeviceProfile& device, DeviceApplyItem item) {
    return item < kExcludeItemCount && device.ExcludeItem[static_cast<std::size_t>(item)] != 0;
}

// The first capability of `config` that `accept` takes, or null.
template <typename Accept>
OwnedMediaType FindCapability(IAMStreamConfig* config, Accept&& accept) {
    int count = 0, size = 0;
    if (FAILED(config->GetNumberOfCapabilities(&count, &size)) || size < 0) return nullptr;
    std::vector<BYTE> caps(static_cast<std::size_t>(size) + 1);
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* raw = nullptr;
        if (FAILED(config->GetStreamCaps(i, &raw, caps.data())) || !raw) continue;
        OwnedMediaType capability(raw);
        if (accept(*capability)) return capability;
    }
    return nullptr;
}

// A stored WAVEFORMATEX whose extra bytes all lie within the block.
const WAVEFORMATEX* WholeWaveFormat(const std::vector<BYTE>& block) {
    if (block.size() < sizeof(WAVEFORMATEX)) return nullptr;
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(block.data());
    WORD extra = 0;
    std::memcpy(&extra, block.data() + offsetof(WAVEFORMATEX, cbSize), sizeof(extra));
    return sizeof(WAVEFORMATEX) + extra <= block.size() ? format : nullptr;
}

}  // namespace

void CCaptureEngine::ApplyDeviceProfile(CDeviceProfile* device) {
    if (!device) return;
    const CDeviceProfile& d = *device;
    GraphSession& s = session_;
    ApplyPass pass;
    pass.graphStood = s.PreviewGraphBuilt || s.CaptureGraphBuilt || s.GraphBuildPending;
    for (DWORD key = 0; key < kApplyItemCount; ++key) {
        for (DeviceApplyItem item : kItemOrder) {
            if (d.ApplyPriority[static_cast<std::size_t>(item)] != key || IsExcluded(d, item)) continue;
            switch (item) {
            case ApplyTVTuner: ApplyTvTuner(d); break;
            case ApplyTVAudio: PutTvAudioMode(d, FALSE); break;
            case ApplyAnalogVideoDecoder: ApplyDecoder(d); break;
            case ApplyCrossbar1: ApplyCrossbar(s.Crossbar1.Get(), d.Crossbar1Routing); break;
            case ApplyCrossbar2: ApplyCrossbar(s.Crossbar2.Get(), d.Crossbar2Routing); break;
            case ApplyVideoProcAmp: ApplyProcAmp(d); break;
            case ApplyStreamConfigVideoCapturePin: ApplyVideoStreamConfig(d, VideoCapturePin, pass); break;
            case ApplyStreamConfigVideoPreviewPin: ApplyVideoStreamConfig(d, VideoPreviewPin, pass); break;
            case ApplyStreamConfigAudioCapturePin: ApplyAudioStreamConfig(d, AudioCapturePin, pass); break;
            case ApplyStreamConfigAudioPreviewPin: ApplyAudioStreamConfig(d, AudioPreviewPin, pass); break;
            case ApplyAudioInputMixer: ApplyInputMixer(d); break;
            case ApplyBufferNegotiationVideoCapturePin: ApplyAllocator(d, VideoCapturePin); break;
            case ApplyBufferNegotiationVideoPreviewPin: ApplyAllocator(d, VideoPreviewPin); break;
            case ApplyBufferNegotiationAudioCapturePin: ApplyAllocator(d, AudioCapturePin); break;
            case ApplyBufferNegotiationAudioPreviewPin: ApplyAllocator(d, AudioPreviewPin); break;
            }
        }
    }
}

void CCaptureEngine::ApplyTvTuner(const CDeviceProfile& d) {
    IAMTVTuner* tuner = session_.TvTuner.Get();
    if (!tuner) return;
    AMTunerModeType mode{};
    if (FAILED(tuner->get_Mode(&mode)) || mode != d.TunerMode) tuner->put_Mode(static_cast<AMTunerModeType>(d.TunerMode));
    LONG value = 0;
    const auto country = static_cast<LONG>(d.TunerCountryCode);
    if (FAILED(tuner->get_CountryCode(&value)) || value != country) tuner->put_CountryCode(country);
    const auto input = static_cast<LONG>(d.TunerConnectInput);
    if (FAILED(tuner->get_ConnectInput(&value)) || value != input) tuner->put_ConnectInput(input);
    TunerInputType type{};
    if (FAILED(tuner->get_InputType(input, &type)) || type != d.TunerConnectedInputType)
        tuner->put_InputType(input, static_cast<TunerInputType>(d.TunerConnectedInputType));
    const auto space = static_cast<LONG>(d.TunerTuningSpace);
    if (FAILED(tuner->get_TuningSpace(&value)) || value != space) tuner->put_TuningSpace(space);
    PutTunerChannel(d, FALSE);
}

void CCaptureEngine::ApplyDecoder(const CDeviceProfile& d) {
    IAMAnalogVideoDecoder* decoder = session_.AnalogVideoDecoder.Get();
    if (!decoder) return;
    decoder->put_OutputEnable(static_cast<LONG>(d.DecoderOutputEnable));
    decoder->put_TVFormat(static_cast<LONG>(d.DecoderTVFormat));
    decoder->put_VCRHorizontalLocking(static_cast<LONG>(d.DecoderVCRHorizontalLocking));
}

// Outputs beyond what the profile holds keep their routes.
void CCaptureEngine::ApplyCrossbar(IAMCrossbar* crossbar, const std::array<DWORD, kCrossbarOutputs>& routing) {
    if (!crossbar) return;
    LONG outputs = 0, inputs = 0;
    if (FAILED(crossbar->get_PinCounts(&outputs, &inputs))) return;
    for (LONG i = 0; i < outputs && i < kCrossbarOutputs; ++i)
        crossbar->Route(i, static_cast<LONG>(routing[static_cast<std::size_t>(i)]));
}

void CCaptureEngine::ApplyProcAmp(const CDeviceProfile& d) {
    IAMVideoProcAmp* procAmp = session_.VideoProcAmp.Get();
    if (!procAmp) return;
    for (LONG property = 0; property < kProcAmpProperties; ++property)
        procAmp->Set(property, static_cast<LONG>(d.ProcAmpValue[static_cast<std::size_t>(property)]),
                     static_cast<LONG>(d.ProcAmpFlags[static_cast<std::size_t>(property)]));
}

void CCaptureEngine::ApplyVideoStreamConfig(const CDeviceProfile& d, int pin, ApplyPass& pass) {
    IAMStreamConfig* config = (pin == VideoCapturePin ? session_.CapturePinConfig : session_.PreviewPinConfig).Get();
    if (!config) return;
    const VideoStreamFormat& stored = d.VideoFormats[static_cast<std::size_t>(pin)];
    // A group never taken from a device names no format: there is nothing to set.
    if (stored.FormatType == GUID_NULL) return;
    AM_MEDIA_TYPE* raw = nullptr;
    if (FAILED(config->GetFormat(&raw)) || !raw) return;
    const OwnedMediaType current(raw);
    OwnedMediaType working(CreateMediaType(current.get()));
    if (!working) return;
    if (working->formattype != stored.FormatType) {
        OwnedMediaType adopted = FindCapability(config, [&](const AM_MEDIA_TYPE& t) { return t.formattype == stored.FormatType; });
        if (adopted) working = std::move(adopted);
    }
    if (working->subtype != stored.Subtype) {
        OwnedMediaType adopted = FindCapability(config, [&](const AM_MEDIA_TYPE& t) {
            return t.subtype == stored.Subtype && t.formattype == stored.FormatType;
        });
        if (adopted) working = std::move(adopted);
    }
    working->subtype = stored.Subtype;
    WriteVideoFormatFields(stored, &d.DvInfoMask[static_cast<std::size_t>(pin) * 8], *working);
    if (MediaTypesEqual(*working, *current)) return;
    TearDownOnce(pass);
    config->SetFormat(working.get());
}

void CCaptureEngine::ApplyAudioStreamConfig(const CDeviceProfile& d, int pin, ApplyPass& pass) {
    const bool capture = pin == AudioCapturePin;
    IAMStreamConfig* config = (capture ? session_.AudioCapturePinConfig : session_.AudioPreviewPinConfig).Get();
    const WAVEFORMATEX* stored = WholeWaveFormat(capture ? d.AudioCaptureFormat : d.AudioPreviewFormat);
    if (!config || !stored) return;
    AM_MEDIA_TYPE* raw = nullptr;
    if (FAILED(config->GetFormat(&raw)) || !raw) return;
    const OwnedMediaType current(raw);
    if (current->formattype != FORMAT_WaveFormatEx) return;
    AM_MEDIA_TYPE wanted{};
    if (FAILED(CreateAudioMediaType(stored, &wanted, TRUE))) return;
    if (!MediaTypesEqual(wanted, *current)) {
        TearDownOnce(pass);
        // The pin is connected only while its format changes, as a capture device may need.
        RenderPinIntoNullRenderer((capture ? session_.AudioCapturePin : session_.AudioPreviewPin).Get());
        config->SetFormat(&wanted);
        TearDownGraph();
    }
    FreeMediaType(wanted);
}

void CCaptureEngine::ApplyInputMixer(const CDeviceProfile& d) {
    const std::vector<ComPtr<IAMAudioInputMixer>> mixers = AudioInputMixers(session_.AudioCapturePin.Get());
    for (std::size_t i = 0; i < mixers.size(); ++i) {
        IAMAudioInputMixer* mixer = mixers[i].Get();
        if (!mixer) continue;
        mixer->put_Bass(d.InputBass[i]);
        mixer->put_Enable(d.InputEnable[i]);
        mixer->put_Loudness(d.InputLoudness[i]);
        mixer->put_MixLevel(d.InputMixLevel[i]);
        mixer->put_Mono(d.InputMono[i]);
        mixer->put_Pan(d.InputPan[i]);
        mixer->put_Treble(d.InputTreble[i]);
    }
}

void CCaptureEngine::ApplyAllocator(const CDeviceProfile& d, int pin) {
    const AllocatorGroup& group = d.Allocators[static_cast<std::size_t>(pin)];
    const ComPtr<IAMBufferNegotiation>* buffers[] = {&session_.VideoCaptureBuffers, &session_.VideoPreviewBuffers,
                                                     &session_.AudioCaptureBuffers, &session_.AudioPreviewBuffers};
    IAMBufferNegotiation* negotiation = buffers[pin]->Get();
    if (!group.AllocatorEnable || !negotiation) return;
    const ALLOCATOR_PROPERTIES properties{group.Allocator.cBuffers, group.Allocator.cbBuffer, group.Allocator.cbAlign,
                                          group.Allocator.cbPrefix};
    negotiation->SuggestAllocatorProperties(&properties);
}

void CCaptureEngine::TearDownOnce(ApplyPass& pass) {
    if (!pass.graphStood || pass.tornDown) return;
    StopGraph();
    TearDownGraph();
    pass.tornDown = true;
}

HRESULT CCaptureEngine::RenderPinIntoNullRenderer(IPin* pin) {
    if (!pin || !session_.Graph) return E_POINTER;
    ComPtr<IBaseFilter> renderer;
    HRESULT hr = CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(renderer.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    if (FAILED(hr = session_.Graph->AddFilter(renderer.Get(), nullptr))) return hr;
    ComPtr<IEnumPins> pins;
    IPin* input = nullptr;
    if (FAILED(renderer->EnumPins(pins.ReleaseAndGetAddressOf())) || !pins || pins->Next(1, &input, nullptr) != S_OK) {
        session_.Graph->RemoveFilter(renderer.Get());
        return E_FAIL;
    }
    const ComPtr<IPin> rendererInput = ComPtr<IPin>::Attach(input);
    // Once connected, tearing the graph down removes the renderer with the rest.
    hr = session_.Graph->Connect(pin, rendererInput.Get());
    if (FAILED(hr)) session_.Graph->RemoveFilter(renderer.Get());
    return hr;
}

// Taking the live session's hardware state into a device profile.
#include <cstring>

#include "engine/audio_input_pins.h"
#include "engine/capture_engine.h"
#include "engine/owned_media_type.h"
#include "engine/profile_mixer.h"
#include "engine/video_format_fields.h"
#include "platform/com/com_runtime.h"
#include "platform/com/task_memory.h"
#include "platform/system/codepage.h"

namespace {

// What a profile read from a device holds before anything is read.
void ResetHardwareFields(CDeviceProfile& d) {
    d.AudioCaptureFormat.clear();
    d.AudioPreviewFormat.clear();
    d.AudioCaptureFormatLength = 0;
    d.AudioPreviewFormatLength = 0;
    d.DecoderOutputEnable = d.DecoderTVFormat = d.DecoderVCRHorizontalLocking = 0;
    d.Crossbar1Routing.fill(0);
    d.Crossbar2Routing.fill(0);
    d.VideoFormats.fill(VideoStreamFormat{});
    d.ProcAmpValue.fill(0);
    d.ProcAmpFlags.fill(0);
    d.InputBass.fill(0.0);
    d.InputEnable.fill(FALSE);
    d.InputLoudness.fill(FALSE);
    d.InputMixLevel.fill(0.0);
    d.InputMono.fill(FALSE);
    d.InputPan.fill(0.0);
    d.InputTreble.fill(0.0);
    d.TunerCountryCode = d.TunerTuningSpace = 0;
    d.TunerMode = d.TunerConnectedInputType = 0;
    d.TunerConnectInput = d.TunerChannel = d.TunerVideoSubChannel = d.TunerAudioSubChannel = 0;
    d.TVAudioMode = 0;
    d.MixerMute = 0;
    d.MixerVolume = 50;
}

void ReadDisplayName(IMoniker* moniker, std::string& name) {
    if (!moniker) return;
    LPOLESTR wide = nullptr;
    if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &wide)) || !wide) return;
    name = WideToAnsi(std::u16string(wide));
    CoTaskMemFree(wide);
}

void ReadCrossbar(IAMCrossbar* crossbar, std::array<DWORD, kCrossbarOutputs>& routing) {
    if (!crossbar) return;
    LONG outputs = 0, inputs = 0;
    if (FAILED(crossbar->get_PinCounts(&outputs, &inputs))) return;
    for (LONG i = 0; i < outputs && i < kCrossbarOutputs; ++i) {
        LONG input = 0;
        if (SUCCEEDED(crossbar->get_IsRoutedTo(i, &input))) routing[static_cast<std::size_t>(i)] = static_cast<DWORD>(input);
    }
}

OwnedMediaType CurrentFormat(IAMStreamConfig* config) {
    AM_MEDIA_TYPE* type = nullptr;
    if (!config || FAILED(config->GetFormat(&type))) return nullptr;
    return OwnedMediaType(type);
}

void ReadAudioFormat(IAMStreamConfig* config, std::vector<BYTE>& block, DWORD& length) {
    const OwnedMediaType type = CurrentFormat(config);
    if (!type || type->formattype != FORMAT_WaveFormatEx || !type->pbFormat) return;
    block.assign(type->pbFormat, type->pbFormat + type->cbFormat);
    length = type->cbFormat;
}

}  // namespace

void CCaptureEngine::ReadDeviceProfile(CDeviceProfile* device) {
    if (!device) return;
    CDeviceProfile& d = *device;
    const GraphSession& s = session_;
    ResetHardwareFields(d);
    ReadDisplayName(s.VideoCaptureMoniker.Get(), d.VideoDeviceMoniker);
    ReadDisplayName(s.AudioCaptureMoniker.Get(), d.AudioDeviceMoniker);

    if (IAMAnalogVideoDecoder* decoder = s.AnalogVideoDecoder.Get()) {
        LONG value = 0;
        if (SUCCEEDED(decoder->get_OutputEnable(&value))) d.DecoderOutputEnable = static_cast<DWORD>(value);
        if (SUCCEEDED(decoder->get_TVFormat(&value))) d.DecoderTVFormat = static_cast<DWORD>(value);
        if (SUCCEEDED(decoder->get_VCRHorizontalLocking(&value))) d.DecoderVCRHorizontalLocking = static_cast<DWORD>(value);
    }
    ReadCrossbar(s.Crossbar1.Get(), d.Crossbar1Routing);
    ReadCrossbar(s.Crossbar2.Get(), d.Crossbar2Routing);
    if (IAMVideoProcAmp* procAmp = s.VideoProcAmp.Get()) {
        for (LONG property = 0; property < kProcAmpProperties; ++property) {
            LONG value = 0, flags = 0;
            if (FAILED(procAmp->Get(property, &value, &flags))) continue;
            d.ProcAmpValue[static_cast<std::size_t>(property)] = static_cast<DWORD>(value);
            d.ProcAmpFlags[static_cast<std::size_t>(property)] = static_cast<DWORD>(flags);
        }
    }

    if (const OwnedMediaType type = CurrentFormat(s.CapturePinConfig.Get())) d.VideoFormats[VideoCapturePin] = ReadVideoFormatFields(*type);
    if (const OwnedMediaType type = CurrentFormat(s.PreviewPinConfig.Get())) d.VideoFormats[VideoPreviewPin] = ReadVideoFormatFields(*type);
    ReadAudioFormat(s.AudioCapturePinConfig.Get(), d.AudioCaptureFormat, d.AudioCaptureFormatLength);
    ReadAudioFormat(s.AudioPreviewPinConfig.Get(), d.AudioPreviewFormat, d.AudioPreviewFormatLength);

    const std::vector<ComPtr<IAMAudioInputMixer>> mixers = AudioInputMixers(s.AudioCapturePin.Get());
    for (std::size_t i = 0; i < mixers.size(); ++i) {
        IAMAudioInputMixer* mixer = mixers[i].Get();
        if (!mixer) continue;
        mixer->get_Bass(&d.InputBass[i]);
        mixer->get_Enable(&d.InputEnable[i]);
        mixer->get_Loudness(&d.InputLoudness[i]);
        mixer->get_MixLevel(&d.InputMixLevel[i]);
        mixer->get_Mono(&d.InputMono[i]);
        mixer->get_Pan(&d.InputPan[i]);
        mixer->get_Treble(&d.InputTreble[i]);
    }

    if (IAMTVTuner* tuner = s.TvTuner.Get()) {
        LONG value = 0;
        if (SUCCEEDED(tuner->get_CountryCode(&value))) d.TunerCountryCode = static_cast<DWORD>(value);
        if (SUCCEEDED(tuner->get_TuningSpace(&value))) d.TunerTuningSpace = static_cast<DWORD>(value);
        AMTunerModeType mode{};
        if (SUCCEEDED(tuner->get_Mode(&mode))) d.TunerMode = mode;
        if (SUCCEEDED(tuner->get_ConnectInput(&value))) d.TunerConnectInput = static_cast<DWORD>(value);
        TunerInputType type{};
        if (SUCCEEDED(tuner->get_InputType(static_cast<LONG>(d.TunerConnectInput), &type))) d.TunerConnectedInputType = type;
    }
    ReadTunerAndTvAudio(device);
    ReadMixerLine(device);
}

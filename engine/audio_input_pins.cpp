#include "engine/audio_input_pins.h"

#include "profiles/device_profile.h"

std::vector<ComPtr<IAMAudioInputMixer>> AudioInputMixers(IPin* audioCapturePin) {
    std::vector<ComPtr<IAMAudioInputMixer>> mixers;
    if (!audioCapturePin) return mixers;
    PIN_INFO info{};
    if (FAILED(audioCapturePin->QueryPinInfo(&info)) || !info.pFilter) return mixers;
    ComPtr<IBaseFilter> filter = ComPtr<IBaseFilter>::Attach(info.pFilter);
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf())) || !pins) return mixers;
    IPin* raw = nullptr;
    while (mixers.size() < kAudioInputPins && pins->Next(1, &raw, nullptr) == S_OK) {
        ComPtr<IPin> pin = ComPtr<IPin>::Attach(raw);
        PIN_DIRECTION direction{};
        if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_INPUT) continue;
        ComPtr<IAMAudioInputMixer> mixer;
        pin->QueryInterface(IID_PPV_ARGS(mixer.ReleaseAndGetAddressOf()));
        mixers.push_back(std::move(mixer));
    }
    return mixers;
}

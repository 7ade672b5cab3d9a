#include "engine/tuner_frequency.h"

#include <cstdio>
#include <optional>

#include "platform/com/hresult.h"
#include "platform/media/tuning/auto_tune_table.h"

HRESULT ReadTunerFrequency(IAMTVTuner* tuner, TunerFrequency* out) {
    if (!tuner || !out) return E_POINTER;
    TunerFrequency f;
    HRESULT hr = tuner->get_Channel(&f.channel, &f.videoSubChannel, &f.audioSubChannel);
    if (SUCCEEDED(hr)) hr = tuner->get_VideoFrequency(&f.videoHz);
    if (SUCCEEDED(hr)) hr = tuner->get_AudioFrequency(&f.audioHz);
    if (SUCCEEDED(hr)) hr = tuner->get_TuningSpace(&f.tuningSpace);
    if (SUCCEEDED(hr)) hr = tuner->get_ConnectInput(&f.connectInput);
    if (SUCCEEDED(hr)) hr = tuner->get_InputType(f.connectInput, &f.inputType);
    if (FAILED(hr)) return hr;
    const std::optional<DWORD> stored = media::ReadAutoTuneEntry(f.tuningSpace, f.inputType, f.channel);
    f.overridden = stored.has_value();
    f.overrideHz = stored.value_or(0);
    *out = f;
    return S_OK;
}

HRESULT ApplyTunerFrequencyOverride(IAMTVTuner* tuner, bool enabled, DWORD hz, TunerFrequency* out,
                                    const char** failedCall) {
    const char* unused = nullptr;
    const char*& failed = failedCall ? *failedCall : unused;
    failed = nullptr;
    if (!tuner || !out) return E_POINTER;
    TunerFrequency before;
    HRESULT hr = ReadTunerFrequency(tuner, &before);
    if (FAILED(hr)) {
        failed = "IAMTVTuner get_Channel";
        return hr;
    }
    const LONG stored = media::StoreAutoTuneEntry(before.tuningSpace, before.inputType, before.channel,
                                                  enabled ? std::optional<DWORD>(hz) : std::nullopt);
    if (stored != ERROR_SUCCESS) {
        failed = enabled ? "RegSetValueEx TVAutoTune" : "RegDeleteValue TVAutoTune";
        return HRESULT_FROM_WIN32(stored);
    }
    // The tuner reloads its table with its tuning space and retunes the same channel.
    LONG channel = 0, videoSub = 0, audioSub = 0;
    if (FAILED(hr = tuner->put_TuningSpace(before.tuningSpace))) {
        failed = "IAMTuner put_TuningSpace";
    } else if (FAILED(hr = tuner->get_Channel(&channel, &videoSub, &audioSub))) {
        failed = "IAMTuner get_Channel";
    } else if (FAILED(hr = tuner->put_Channel(channel, videoSub, audioSub))) {
        failed = "IAMTuner put_Channel";
    } else if (FAILED(hr = ReadTunerFrequency(tuner, out))) {
        failed = "IAMTVTuner get_VideoFrequency";
    }
    return hr;
}

std::string TunerFrequencyText(const TunerFrequency& frequency) {
    char text[64];
    std::snprintf(text, sizeof text, "Video : %ld  Audio : %ld", static_cast<long>(frequency.videoHz),
                  static_cast<long>(frequency.audioHz));
    return text;
}

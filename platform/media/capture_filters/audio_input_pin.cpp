#include "platform/media/capture_filters/audio_input_pin.h"

#include <cmath>

namespace media {
namespace {

bool IsBool(BOOL value) { return value == TRUE || value == FALSE; }

bool InRange(double value, double low, double high) { return std::isfinite(value) && value >= low && value <= high; }

}  // namespace

AudioInputPin::AudioInputPin(CBaseFilter* owner, std::u16string name)
    : CBasePin(owner, nullptr, std::move(name), nullptr, PINDIR_INPUT) {}

HRESULT AudioInputPin::QueryExtraInterface(REFIID riid, void** object) {
    if (riid != IID_IAMAudioInputMixer) return E_NOINTERFACE;
    *object = static_cast<IAMAudioInputMixer*>(this);
    AddRef();
    return S_OK;
}

template <typename T>
HRESULT AudioInputPin::Put(T& field, T value, bool valid) {
    if (!valid) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    field = value;
    return S_OK;
}

template <typename T>
HRESULT AudioInputPin::Get(const T& field, T* out) {
    if (!out) return E_POINTER;
    std::lock_guard lock(mutex_);
    *out = field;
    return S_OK;
}

HRESULT AudioInputPin::put_Enable(BOOL enable) { return Put(enable_, enable, IsBool(enable)); }
HRESULT AudioInputPin::get_Enable(BOOL* enable) { return Get(enable_, enable); }
HRESULT AudioInputPin::put_Mono(BOOL mono) { return Put(mono_, mono, IsBool(mono)); }
HRESULT AudioInputPin::get_Mono(BOOL* mono) { return Get(mono_, mono); }
HRESULT AudioInputPin::put_Loudness(BOOL loudness) { return Put(loudness_, loudness, IsBool(loudness)); }
HRESULT AudioInputPin::get_Loudness(BOOL* loudness) { return Get(loudness_, loudness); }

HRESULT AudioInputPin::put_MixLevel(double level) {
    return Put(mixLevel_, level, level == AMF_AUTOMATICGAIN || InRange(level, 0.0, 1.0));
}
HRESULT AudioInputPin::get_MixLevel(double* level) { return Get(mixLevel_, level); }
HRESULT AudioInputPin::put_Pan(double pan) { return Put(pan_, pan, InRange(pan, -1.0, 1.0)); }
HRESULT AudioInputPin::get_Pan(double* pan) { return Get(pan_, pan); }
HRESULT AudioInputPin::put_Treble(double treble) {
    return Put(treble_, treble, InRange(treble, -kToneRangeDb, kToneRangeDb));
}
HRESULT AudioInputPin::get_Treble(double* treble) { return Get(treble_, treble); }
HRESULT AudioInputPin::put_Bass(double bass) { return Put(bass_, bass, InRange(bass, -kToneRangeDb, kToneRangeDb)); }
HRESULT AudioInputPin::get_Bass(double* bass) { return Get(bass_, bass); }

HRESULT AudioInputPin::get_TrebleRange(double* range) {
    if (!range) return E_POINTER;
    *range = kToneRangeDb;
    return S_OK;
}
HRESULT AudioInputPin::get_BassRange(double* range) {
    if (!range) return E_POINTER;
    *range = kToneRangeDb;
    return S_OK;
}

}  // namespace media

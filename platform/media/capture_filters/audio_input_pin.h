// An input of an audio capture device (tuner sound, line in, ...) as an input pin of its
// capture filter: no stream enters it, it carries the input's mixing controls
// (IAMAudioInputMixer) as the device's mixer holds them.
#pragma once

#include <mutex>
#include <string>

#include "platform/media/base/base_pin.h"
#include "platform/media/interfaces/audio_input_mixer.h"

namespace media {

class AudioInputPin final : public CBasePin, public IAMAudioInputMixer {
public:
    static constexpr double kToneRangeDb = 12.0;  // bass and treble reach +/- this

    AudioInputPin(CBaseFilter* owner, std::u16string name);

    // IUnknown, counted on the filter.
    HRESULT QueryInterface(REFIID riid, void** object) override { return CBasePin::QueryInterface(riid, object); }
    ULONG AddRef() override { return CBasePin::AddRef(); }
    ULONG Release() override { return CBasePin::Release(); }

    // IAMAudioInputMixer: E_INVALIDARG for a level, pan or tone outside its range (the
    // setting is unchanged then).
    HRESULT put_Enable(BOOL enable) override;
    HRESULT get_Enable(BOOL* enable) override;
    HRESULT put_Mono(BOOL mono) override;
    HRESULT get_Mono(BOOL* mono) override;
    HRESULT put_Loudness(BOOL loudness) override;
    HRESULT get_Loudness(BOOL* loudness) override;
    HRESULT put_MixLevel(double level) override;
    HRESULT get_MixLevel(double* level) override;
    HRESULT put_Pan(double pan) override;
    HRESULT get_Pan(double* pan) override;
    HRESULT put_Treble(double treble) override;
    HRESULT get_Treble(double* treble) override;
    HRESULT get_TrebleRange(double* range) override;
    HRESULT put_Bass(double bass) override;
    HRESULT get_Bass(double* bass) override;
    HRESULT get_BassRange(double* range) override;

protected:
    HRESULT QueryExtraInterface(REFIID riid, void** object) override;

private:
    template <typename T>
    HRESULT Put(T& field, T value, bool valid);
    template <typename T>
    HRESULT Get(const T& field, T* out);

    std::mutex mutex_;
    BOOL enable_ = TRUE;
    BOOL mono_ = FALSE;
    BOOL loudness_ = FALSE;
    double mixLevel_ = 1.0;
    double pan_ = 0.0;
    double treble_ = 0.0;
    double bass_ = 0.0;
};

}  // namespace media

// The mixing controls of one input of an audio capture device, answered by the input pins of
// its capture filter (one pin per source: tuner sound, line in, ...).
#pragma once

#include "platform/com/unknown.h"
#include "platform/media/interfaces/win_types.h"

struct IAMAudioInputMixer : IUnknown {
    virtual HRESULT put_Enable(BOOL enable) = 0;
    virtual HRESULT get_Enable(BOOL* enable) = 0;
    virtual HRESULT put_Mono(BOOL mono) = 0;
    virtual HRESULT get_Mono(BOOL* mono) = 0;
    virtual HRESULT put_Loudness(BOOL loudness) = 0;
    virtual HRESULT get_Loudness(BOOL* loudness) = 0;
    // 0.0 (silent) to 1.0 (full); AMF_AUTOMATICGAIN for automatic gain.
    virtual HRESULT put_MixLevel(double level) = 0;
    virtual HRESULT get_MixLevel(double* level) = 0;
    // -1.0 (left) to 1.0 (right).
    virtual HRESULT put_Pan(double pan) = 0;
    virtual HRESULT get_Pan(double* pan) = 0;
    // Decibels within +/- the range.
    virtual HRESULT put_Treble(double treble) = 0;
    virtual HRESULT get_Treble(double* treble) = 0;
    virtual HRESULT get_TrebleRange(double* range) = 0;
    virtual HRESULT put_Bass(double bass) = 0;
    virtual HRESULT get_Bass(double* bass) = 0;
    virtual HRESULT get_BassRange(double* range) = 0;
};
QD_DECLARE_IID(IAMAudioInputMixer, MakeGuid("54c39221-8380-11d0-b3f0-00aa003761c5"));

inline constexpr double AMF_AUTOMATICGAIN = -1.0;

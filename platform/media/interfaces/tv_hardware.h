// Analogue TV hardware: proc amp, crossbar, tuner, TV audio, video decoder and the driver
// dialogs. The numeric enums of these interfaces are in capture_constants.h.
#pragma once

#include "platform/com/unknown.h"
#include "platform/media/capture_constants.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/win_types.h"

struct IAMVideoProcAmp : IUnknown {
    virtual HRESULT GetRange(LONG property, LONG* min, LONG* max, LONG* steppingDelta, LONG* defaultValue,
                             LONG* capsFlags) = 0;
    virtual HRESULT Set(LONG property, LONG value, LONG flags) = 0;
    virtual HRESULT Get(LONG property, LONG* value, LONG* flags) = 0;
};
QD_DECLARE_IID(IAMVideoProcAmp, MakeGuid("c6e13360-30ac-11d0-a18c-00a0c9118956"));

struct IAMCrossbar : IUnknown {
    virtual HRESULT get_PinCounts(LONG* outputPinCount, LONG* inputPinCount) = 0;
    // S_OK when the input can be routed to the output, else S_FALSE.
    virtual HRESULT CanRoute(LONG outputPinIndex, LONG inputPinIndex) = 0;
    virtual HRESULT Route(LONG outputPinIndex, LONG inputPinIndex) = 0;
    // -1 when nothing is routed to the output.
    virtual HRESULT get_IsRoutedTo(LONG outputPinIndex, LONG* inputPinIndex) = 0;
    // *physicalType is a PhysicalConnectorType.
    virtual HRESULT get_CrossbarPinInfo(BOOL isInputPin, LONG pinIndex, LONG* pinIndexRelated,
                                        LONG* physicalType) = 0;
};
QD_DECLARE_IID(IAMCrossbar, MakeGuid("c6e13380-30ac-11d0-a18c-00a0c9118956"));

// AMTunerSignalStrength
inline constexpr LONG AMTUNER_HASNOSIGNALSTRENGTH = -1;
inline constexpr LONG AMTUNER_NOSIGNAL = 0;
inline constexpr LONG AMTUNER_SIGNALPRESENT = 1;

// AMTunerEventType
enum AMTunerEventType : LONG {
    AMTUNER_EVENT_CHANGED = 0x1,
};

struct IAMTunerNotification : IUnknown {
    virtual HRESULT OnEvent(AMTunerEventType event) = 0;
};
QD_DECLARE_IID(IAMTunerNotification, MakeGuid("211a8760-03ac-11d1-8d13-00aa00bd8339"));

struct IAMTuner : IUnknown {
    virtual HRESULT put_Channel(LONG channel, LONG videoSubChannel, LONG audioSubChannel) = 0;
    virtual HRESULT get_Channel(LONG* channel, LONG* videoSubChannel, LONG* audioSubChannel) = 0;
    virtual HRESULT ChannelMinMax(LONG* channelMin, LONG* channelMax) = 0;
    virtual HRESULT put_CountryCode(LONG countryCode) = 0;
    virtual HRESULT get_CountryCode(LONG* countryCode) = 0;
    virtual HRESULT put_TuningSpace(LONG tuningSpace) = 0;
    virtual HRESULT get_TuningSpace(LONG* tuningSpace) = 0;
    virtual HRESULT Logon(HANDLE currentUser) = 0;
    virtual HRESULT Logout() = 0;
    // *signalStrength is an AMTUNER_* signal value.
    virtual HRESULT SignalPresent(LONG* signalStrength) = 0;
    virtual HRESULT put_Mode(AMTunerModeType mode) = 0;
    virtual HRESULT get_Mode(AMTunerModeType* mode) = 0;
    virtual HRESULT GetAvailableModes(LONG* modes) = 0;
    virtual HRESULT RegisterNotificationCallBack(IAMTunerNotification* notify, LONG events) = 0;
    virtual HRESULT UnRegisterNotificationCallBack(IAMTunerNotification* notify) = 0;
};
QD_DECLARE_IID(IAMTuner, MakeGuid("211a8761-03ac-11d1-8d13-00aa00bd8339"));

struct IAMTVTuner : IAMTuner {
    virtual HRESULT get_AvailableTVFormats(LONG* analogVideoStandards) = 0;
    virtual HRESULT get_TVFormat(LONG* analogVideoStandard) = 0;
    virtual HRESULT AutoTune(LONG channel, LONG* foundSignal) = 0;
    virtual HRESULT StoreAutoTune() = 0;
    virtual HRESULT get_NumInputConnections(LONG* inputConnections) = 0;
    virtual HRESULT put_InputType(LONG index, TunerInputType inputType) = 0;
    virtual HRESULT get_InputType(LONG index, TunerInputType* inputType) = 0;
    virtual HRESULT put_ConnectInput(LONG index) = 0;
    virtual HRESULT get_ConnectInput(LONG* index) = 0;
    virtual HRESULT get_VideoFrequency(LONG* frequency) = 0;
    virtual HRESULT get_AudioFrequency(LONG* frequency) = 0;
};
QD_DECLARE_IID(IAMTVTuner, MakeGuid("211a8766-03ac-11d1-8d13-00aa00bd8339"));
QD_DECLARE_INTERFACE_PARENT(IAMTVTuner, IAMTuner);

// Modes are AMTVAUDIO_MODE_* bits.
struct IAMTVAudio : IUnknown {
    virtual HRESULT GetHardwareSupportedTVAudioModes(LONG* modes) = 0;
    virtual HRESULT GetAvailableTVAudioModes(LONG* modes) = 0;
    virtual HRESULT get_TVAudioMode(LONG* mode) = 0;
    virtual HRESULT put_TVAudioMode(LONG mode) = 0;
    virtual HRESULT RegisterNotificationCallBack(IAMTunerNotification* notify, LONG events) = 0;
    virtual HRESULT UnRegisterNotificationCallBack(IAMTunerNotification* notify) = 0;
};
QD_DECLARE_IID(IAMTVAudio, MakeGuid("83ec1c30-23d1-11d1-99e6-00a0c9560266"));

// Standards are AnalogVideoStandard bits.
struct IAMAnalogVideoDecoder : IUnknown {
    virtual HRESULT get_AvailableTVFormats(LONG* analogVideoStandards) = 0;
    virtual HRESULT put_TVFormat(LONG analogVideoStandard) = 0;
    virtual HRESULT get_TVFormat(LONG* analogVideoStandard) = 0;
    virtual HRESULT get_HorizontalLocked(LONG* locked) = 0;
    virtual HRESULT put_VCRHorizontalLocking(LONG vcrHorizontalLocking) = 0;
    virtual HRESULT get_VCRHorizontalLocking(LONG* vcrHorizontalLocking) = 0;
    virtual HRESULT get_NumberOfLines(LONG* numberOfLines) = 0;
    virtual HRESULT put_OutputEnable(LONG outputEnable) = 0;
    virtual HRESULT get_OutputEnable(LONG* outputEnable) = 0;
};
QD_DECLARE_IID(IAMAnalogVideoDecoder, MakeGuid("c6e13350-30ac-11d0-a18c-00a0c9118956"));

// VfwCaptureDialogs
enum VfwCaptureDialogs : INT {
    VfwCaptureDialog_Source = 0x01,
    VfwCaptureDialog_Format = 0x02,
    VfwCaptureDialog_Display = 0x04,
};

struct IAMVfwCaptureDialogs : IUnknown {
    // S_OK when the driver has the dialog, else S_FALSE.
    virtual HRESULT HasDialog(int dialog) = 0;
    virtual HRESULT ShowDialog(int dialog, HWND parent) = 0;
    virtual HRESULT SendDriverMessage(int dialog, int msg, LONG param1, LONG param2) = 0;
};
QD_DECLARE_IID(IAMVfwCaptureDialogs, MakeGuid("d8d715a0-6e5e-11d0-b3f0-00aa003761c5"));

// Numeric constants of the platform's analogue capture interfaces (tuner, TV audio, video
// decoder, crossbar, video proc amp), with the platform's values.
#pragma once

#include "platform/com/hresult.h"
#include "platform/com/types.h"

// AMTunerModeType
enum AMTunerModeType : LONG {
    AMTUNER_MODE_DEFAULT = 0x0,
    AMTUNER_MODE_TV = 0x1,
    AMTUNER_MODE_FM_RADIO = 0x2,
    AMTUNER_MODE_AM_RADIO = 0x4,
    AMTUNER_MODE_DSS = 0x8,
};

// TunerInputType
enum TunerInputType : LONG {
    TunerInputCable = 0,
    TunerInputAntenna = 1,
};

// AMTunerSubChannel
inline constexpr LONG AMTUNER_SUBCHAN_NO_TUNE = -2;
inline constexpr LONG AMTUNER_SUBCHAN_DEFAULT = -1;

// TVAudioMode bits
inline constexpr LONG AMTVAUDIO_MODE_MONO = 0x0001;
inline constexpr LONG AMTVAUDIO_MODE_STEREO = 0x0002;
inline constexpr LONG AMTVAUDIO_MODE_LANG_A = 0x0010;
inline constexpr LONG AMTVAUDIO_MODE_LANG_B = 0x0020;
inline constexpr LONG AMTVAUDIO_MODE_LANG_C = 0x0040;

// AnalogVideoStandard bits
enum AnalogVideoStandard : LONG {
    AnalogVideo_None = 0x00000000,
    AnalogVideo_NTSC_M = 0x00000001,
    AnalogVideo_NTSC_M_J = 0x00000002,
    AnalogVideo_NTSC_433 = 0x00000004,
    AnalogVideo_PAL_B = 0x00000010,
    AnalogVideo_PAL_D = 0x00000020,
    AnalogVideo_PAL_G = 0x00000040,
    AnalogVideo_PAL_H = 0x00000080,
    AnalogVideo_PAL_I = 0x00000100,
    AnalogVideo_PAL_M = 0x00000200,
    AnalogVideo_PAL_N = 0x00000400,
    AnalogVideo_PAL_60 = 0x00000800,
    AnalogVideo_SECAM_B = 0x00001000,
    AnalogVideo_SECAM_D = 0x00002000,
    AnalogVideo_SECAM_G = 0x00004000,
    AnalogVideo_SECAM_H = 0x00008000,
    AnalogVideo_SECAM_K = 0x00010000,
    AnalogVideo_SECAM_K1 = 0x00020000,
    AnalogVideo_SECAM_L = 0x00040000,
    AnalogVideo_SECAM_L1 = 0x00080000,
    AnalogVideo_PAL_N_COMBO = 0x00100000,
};

// PhysicalConnectorType
enum PhysicalConnectorType : LONG {
    PhysConn_Video_Tuner = 1,
    PhysConn_Video_Composite = 2,
    PhysConn_Video_SVideo = 3,
    PhysConn_Video_RGB = 4,
    PhysConn_Video_YRYBY = 5,
    PhysConn_Video_SerialDigital = 6,
    PhysConn_Video_ParallelDigital = 7,
    PhysConn_Video_SCSI = 8,
    PhysConn_Video_AUX = 9,
    PhysConn_Video_1394 = 10,
    PhysConn_Video_USB = 11,
    PhysConn_Video_VideoDecoder = 12,
    PhysConn_Video_VideoEncoder = 13,
    PhysConn_Video_SCART = 14,
    PhysConn_Video_Black = 15,
    PhysConn_Audio_Tuner = 0x1000,
    PhysConn_Audio_Line = 0x1001,
    PhysConn_Audio_Mic = 0x1002,
    PhysConn_Audio_AESDigital = 0x1003,
    PhysConn_Audio_SPDIFDigital = 0x1004,
    PhysConn_Audio_SCSI = 0x1005,
    PhysConn_Audio_AUX = 0x1006,
    PhysConn_Audio_1394 = 0x1007,
    PhysConn_Audio_USB = 0x1008,
    PhysConn_Audio_AudioDecoder = 0x1009,
};

// VideoProcAmpProperty
enum VideoProcAmpProperty : LONG {
    VideoProcAmp_Brightness = 0,
    VideoProcAmp_Contrast = 1,
    VideoProcAmp_Hue = 2,
    VideoProcAmp_Saturation = 3,
    VideoProcAmp_Sharpness = 4,
    VideoProcAmp_Gamma = 5,
    VideoProcAmp_ColorEnable = 6,
    VideoProcAmp_WhiteBalance = 7,
    VideoProcAmp_BacklightCompensation = 8,
    VideoProcAmp_Gain = 9,
};
inline constexpr int kVideoProcAmpPropertyCount = 10;

// VideoProcAmpFlags
inline constexpr LONG VideoProcAmp_Flags_Auto = 0x0001;
inline constexpr LONG VideoProcAmp_Flags_Manual = 0x0002;

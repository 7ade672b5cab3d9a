// Stream and buffer configuration of capture pins: formats and their capabilities, allocator
// suggestions, dropped frames and stream control.
#pragma once

#include "platform/com/unknown.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/win_types.h"
#include "platform/media/media_types.h"

struct VIDEO_STREAM_CONFIG_CAPS {
    GUID guid;
    ULONG VideoStandard;
    SIZE InputSize;
    SIZE MinCroppingSize;
    SIZE MaxCroppingSize;
    int CropGranularityX;
    int CropGranularityY;
    int CropAlignX;
    int CropAlignY;
    SIZE MinOutputSize;
    SIZE MaxOutputSize;
    int OutputGranularityX;
    int OutputGranularityY;
    int StretchTapsX;
    int StretchTapsY;
    int ShrinkTapsX;
    int ShrinkTapsY;
    LONGLONG MinFrameInterval;
    LONGLONG MaxFrameInterval;
    LONG MinBitsPerSecond;
    LONG MaxBitsPerSecond;
};

struct AUDIO_STREAM_CONFIG_CAPS {
    GUID guid;
    ULONG MinimumChannels;
    ULONG MaximumChannels;
    ULONG ChannelsGranularity;
    ULONG MinimumBitsPerSample;
    ULONG MaximumBitsPerSample;
    ULONG BitsPerSampleGranularity;
    ULONG MinimumSampleFrequency;
    ULONG MaximumSampleFrequency;
    ULONG SampleFrequencyGranularity;
};

struct IAMStreamConfig : IUnknown {
    virtual HRESULT SetFormat(AM_MEDIA_TYPE* mediaType) = 0;
    // The type comes from CoTaskMemAlloc; the caller frees it with DeleteMediaType.
    virtual HRESULT GetFormat(AM_MEDIA_TYPE** mediaType) = 0;
    // *size is the byte size of the caps structure that GetStreamCaps fills.
    virtual HRESULT GetNumberOfCapabilities(int* count, int* size) = 0;
    virtual HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* streamConfigCaps) = 0;
};
QD_DECLARE_IID(IAMStreamConfig, MakeGuid("c6e13340-30ac-11d0-a18c-00a0c9118956"));

// Members the caller leaves at -1 keep the allocator's own choice.
struct IAMBufferNegotiation : IUnknown {
    virtual HRESULT SuggestAllocatorProperties(const ALLOCATOR_PROPERTIES* properties) = 0;
    virtual HRESULT GetAllocatorProperties(ALLOCATOR_PROPERTIES* properties) = 0;
};
QD_DECLARE_IID(IAMBufferNegotiation, MakeGuid("56ed71a0-af5f-11d0-b3f0-00aa003761c5"));

struct IAMDroppedFrames : IUnknown {
    virtual HRESULT GetNumDropped(LONG* dropped) = 0;
    virtual HRESULT GetNumNotDropped(LONG* notDropped) = 0;
    virtual HRESULT GetDroppedInfo(LONG size, LONG* frameNumbers, LONG* copied) = 0;
    virtual HRESULT GetAverageFrameSize(LONG* averageSize) = 0;
};
QD_DECLARE_IID(IAMDroppedFrames, MakeGuid("c6e13344-30ac-11d0-a18c-00a0c9118956"));

// IAMStreamControl::GetInfo flags.
inline constexpr DWORD AM_STREAM_INFO_START_DEFINED = 0x01;
inline constexpr DWORD AM_STREAM_INFO_STOP_DEFINED = 0x02;
inline constexpr DWORD AM_STREAM_INFO_DISCARDING = 0x04;
inline constexpr DWORD AM_STREAM_INFO_STOP_SEND_EXTRA = 0x10;

struct AM_STREAM_INFO {
    REFERENCE_TIME tStart;
    REFERENCE_TIME tStop;
    DWORD dwStartCookie;
    DWORD dwStopCookie;
    DWORD dwFlags;
};

struct IAMStreamControl : IUnknown {
    // A null time means "now"; MAXLONGLONG means "never".
    virtual HRESULT StartAt(const REFERENCE_TIME* start, DWORD cookie) = 0;
    virtual HRESULT StopAt(const REFERENCE_TIME* stop, BOOL sendExtra, DWORD cookie) = 0;
    virtual HRESULT GetInfo(AM_STREAM_INFO* info) = 0;
};
QD_DECLARE_IID(IAMStreamControl, MakeGuid("36b73881-c2c8-11cf-8b46-00805f6cef60"));

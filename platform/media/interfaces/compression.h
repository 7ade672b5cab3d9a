// Compressors: video compression settings and the compressors' driver dialogs.
#pragma once

#include "platform/com/unknown.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/win_types.h"

// CompressionCaps bits of IAMVideoCompression::GetInfo.
inline constexpr LONG CompressionCaps_CanQuality = 0x01;
inline constexpr LONG CompressionCaps_CanCrunch = 0x02;
inline constexpr LONG CompressionCaps_CanKeyFrame = 0x04;
inline constexpr LONG CompressionCaps_CanBFrame = 0x08;
inline constexpr LONG CompressionCaps_CanWindow = 0x10;

struct IAMVideoCompression : IUnknown {
    virtual HRESULT put_KeyFrameRate(LONG keyFrameRate) = 0;
    virtual HRESULT get_KeyFrameRate(LONG* keyFrameRate) = 0;
    virtual HRESULT put_PFramesPerKeyFrame(LONG pFramesPerKeyFrame) = 0;
    virtual HRESULT get_PFramesPerKeyFrame(LONG* pFramesPerKeyFrame) = 0;
    // 0.0 .. 1.0; a negative value asks for the default.
    virtual HRESULT put_Quality(double quality) = 0;
    virtual HRESULT get_Quality(double* quality) = 0;
    virtual HRESULT put_WindowSize(DWORDLONG windowSize) = 0;
    virtual HRESULT get_WindowSize(DWORDLONG* windowSize) = 0;
    // The sizes are in bytes, in and out; null pointers skip an item.
    virtual HRESULT GetInfo(LPWSTR version, int* versionSize, LPWSTR description, int* descriptionSize,
                            LONG* defaultKeyFrameRate, LONG* defaultPFramesPerKey, double* defaultQuality,
                            LONG* capabilities) = 0;
    virtual HRESULT OverrideKeyFrame(LONG frameNumber) = 0;
    virtual HRESULT OverrideFrameSize(LONG frameNumber, LONG size) = 0;
};
QD_DECLARE_IID(IAMVideoCompression, MakeGuid("c6e13343-30ac-11d0-a18c-00a0c9118956"));

// VfwCompressDialogs
enum VfwCompressDialogs : INT {
    VfwCompressDialog_Config = 0x01,
    VfwCompressDialog_About = 0x02,
    VfwCompressDialog_QueryConfig = 0x04,
    VfwCompressDialog_QueryAbout = 0x08,
};

struct IAMVfwCompressDialogs : IUnknown {
    virtual HRESULT ShowDialog(int dialog, HWND parent) = 0;
    // With a null state, *stateSize receives the size needed.
    virtual HRESULT GetState(LPVOID state, int* stateSize) = 0;
    virtual HRESULT SetState(LPVOID state, int stateSize) = 0;
    // The parameters are pointer-sized: ICM_GETINFO passes the address of an ICINFO, which a
    // 32-bit value cannot hold on a 64-bit build. For ICM_GETINFO the answer is the number of
    // bytes filled (0 when nothing was).
    virtual HRESULT SendDriverMessage(int msg, LONG_PTR param1, LONG_PTR param2) = 0;
};

// A codec driver's description, as ICM_GETINFO fills it.
struct ICINFO {
    DWORD dwSize;
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;       // VIDCF_*
    DWORD dwVersion;
    DWORD dwVersionICM;
    WCHAR szName[16];
    WCHAR szDescription[128];
    WCHAR szDriver[128];
};
static_assert(sizeof(ICINFO) == 568);

inline constexpr int ICM_GETINFO = 0x5002;
inline constexpr DWORD ICTYPE_VIDEO = 0x63646976;  // 'vidc'
inline constexpr DWORD ICVERSION = 0x0104;
inline constexpr DWORD VIDCF_QUALITY = 0x0001;
inline constexpr DWORD VIDCF_CRUNCH = 0x0002;
inline constexpr DWORD VIDCF_TEMPORAL = 0x0004;
QD_DECLARE_IID(IAMVfwCompressDialogs, MakeGuid("d8d715a3-6e5e-11d0-b3f0-00aa003761c5"));

// Windows Media writing: profiles, their manager, the ASF writer's configuration and the
// writer's advanced settings reached through IServiceProvider. Interfaces are declared in the
// platform's slot order; methods nobody here calls are declared only where a later slot needs
// them.
#pragma once

#include <cstdint>

#include "platform/com/unknown.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/win_types.h"

using QWORD = std::uint64_t;

inline constexpr CLSID CLSID_WMAsfWriter = MakeGuid("7c23220e-55bb-11d3-8b16-00c04fb6bd3d");

// A buffer given to a Windows Media call is too small; the needed size was written back.
inline constexpr HRESULT ASF_E_BUFFERTOOSMALL = MakeHResult(0xC00D07F0);

enum WMT_VERSION : INT {
    WMT_VER_4_0 = 0x00040000,
    WMT_VER_7_0 = 0x00070000,
    WMT_VER_8_0 = 0x00080000,
    WMT_VER_9_0 = 0x00090000,
};

enum WMT_ATTR_DATATYPE : INT {
    WMT_TYPE_DWORD = 0,
    WMT_TYPE_STRING = 1,
    WMT_TYPE_BINARY = 2,
    WMT_TYPE_BOOL = 3,
    WMT_TYPE_QWORD = 4,
    WMT_TYPE_WORD = 5,
    WMT_TYPE_GUID = 6,
};

// Values of the "DeinterlaceMode" input setting.
enum : DWORD {
    WM_DM_NOTINTERLACED = 0,
    WM_DM_DEINTERLACE_NORMAL = 1,
    WM_DM_DEINTERLACE_HALFSIZE = 2,
    WM_DM_DEINTERLACE_HALFSIZEDOUBLERATE = 3,
    WM_DM_DEINTERLACE_INVERSETELECINE = 4,
    WM_DM_DEINTERLACE_VERTICALHALFSIZEDOUBLERATE = 5,
};

// Values of the "InitialPatternForInverseTelecine" input setting: DISABLE_COHERENT_MODE, then
// AA, BB, BC, CD, DD with the top field first, then the same with the bottom field first.
inline constexpr DWORD WM_DM_IT_DISABLE_COHERENT_MODE = 0;
inline constexpr DWORD WM_DM_IT_LAST_PATTERN = 10;

inline constexpr char16_t g_wszDeinterlaceMode[] = u"DeinterlaceMode";
inline constexpr char16_t g_wszInitialPatternForInverseTelecine[] = u"InitialPatternForInverseTelecine";

struct IWMProfile : IUnknown {
    virtual HRESULT GetVersion(WMT_VERSION* version) = 0;
    // With a null buffer, *length receives the length in characters including the terminator;
    // with a buffer, *length is its size in characters in and the length used out.
    virtual HRESULT GetName(WCHAR* name, DWORD* length) = 0;
};
QD_DECLARE_IID(IWMProfile, MakeGuid("96406bdb-2b2b-11d3-b36b-00c04f6108ff"));

struct IWMProfileManager : IUnknown {
    virtual HRESULT CreateEmptyProfile(WMT_VERSION version, IWMProfile** profile) = 0;
    virtual HRESULT LoadProfileByID(REFGUID profileId, IWMProfile** profile) = 0;
    // A profile from the XML text of a ".prx" file.
    virtual HRESULT LoadProfileByData(const WCHAR* profileText, IWMProfile** profile) = 0;
    virtual HRESULT SaveProfile(IWMProfile* profile, WCHAR* profileText, DWORD* length) = 0;
    virtual HRESULT GetSystemProfileCount(DWORD* count) = 0;
    virtual HRESULT LoadSystemProfile(DWORD index, IWMProfile** profile) = 0;
};
QD_DECLARE_IID(IWMProfileManager, MakeGuid("d16679f2-6ca0-472d-8d31-2f5d55aee155"));

struct IWMProfileManager2 : IWMProfileManager {
    virtual HRESULT GetSystemProfileVersion(WMT_VERSION* version) = 0;
    virtual HRESULT SetSystemProfileVersion(WMT_VERSION version) = 0;
};
QD_DECLARE_IID(IWMProfileManager2, MakeGuid("7a924e51-73c1-494d-8019-23d37ed9b89a"));
QD_DECLARE_INTERFACE_PARENT(IWMProfileManager2, IWMProfileManager);

// A new profile manager (the platform's function of that name).
HRESULT WMCreateProfileManager(IWMProfileManager** manager);

struct IConfigAsfWriter : IUnknown {
    virtual HRESULT ConfigureFilterUsingProfileId(DWORD profileId) = 0;
    virtual HRESULT GetCurrentProfileId(DWORD* profileId) = 0;
    virtual HRESULT ConfigureFilterUsingProfileGuid(REFGUID profile) = 0;
    virtual HRESULT GetCurrentProfileGuid(GUID* profile) = 0;
    virtual HRESULT ConfigureFilterUsingProfile(IWMProfile* profile) = 0;
    virtual HRESULT GetCurrentProfile(IWMProfile** profile) = 0;
    virtual HRESULT SetIndexMode(BOOL indexFile) = 0;
    virtual HRESULT GetIndexMode(BOOL* indexFile) = 0;
};
QD_DECLARE_IID(IConfigAsfWriter, MakeGuid("45086030-f7e4-486a-b504-826bb5792a3b"));

struct IServiceProvider : IUnknown {
    virtual HRESULT QueryService(REFGUID service, REFIID riid, void** object) = 0;
};
QD_DECLARE_IID(IServiceProvider, MakeGuid("6d5140c1-7436-11ce-8034-00aa006009fa"));

struct IWMWriterSink;
struct INSSBuffer;
struct WM_WRITER_STATISTICS;

struct IWMWriterAdvanced : IUnknown {
    virtual HRESULT GetSinkCount(DWORD* count) = 0;
    virtual HRESULT GetSink(DWORD index, IWMWriterSink** sink) = 0;
    virtual HRESULT AddSink(IWMWriterSink* sink) = 0;
    virtual HRESULT RemoveSink(IWMWriterSink* sink) = 0;
    virtual HRESULT WriteStreamSample(WORD streamNumber, QWORD sampleTime, DWORD sampleSendTime,
                                      QWORD sampleDuration, DWORD flags, INSSBuffer* sample) = 0;
    virtual HRESULT SetLiveSource(BOOL isLiveSource) = 0;
    virtual HRESULT IsRealTime(BOOL* realTime) = 0;
    virtual HRESULT GetWriterTime(QWORD* currentTime) = 0;
    virtual HRESULT GetStatistics(WORD streamNumber, WM_WRITER_STATISTICS* statistics) = 0;
    virtual HRESULT SetSyncTolerance(DWORD windowMs) = 0;
    virtual HRESULT GetSyncTolerance(DWORD* windowMs) = 0;
};
QD_DECLARE_IID(IWMWriterAdvanced, MakeGuid("96406be3-2b2b-11d3-b36b-00c04f6108ff"));

struct IWMWriterAdvanced2 : IWMWriterAdvanced {
    // `input` counts the writer's inputs from 0 in the profile's stream order: audio, then video.
    virtual HRESULT GetInputSetting(DWORD input, LPCWSTR name, WMT_ATTR_DATATYPE* type, BYTE* value, WORD* length) = 0;
    virtual HRESULT SetInputSetting(DWORD input, LPCWSTR name, WMT_ATTR_DATATYPE type, const BYTE* value,
                                    WORD length) = 0;
};
QD_DECLARE_IID(IWMWriterAdvanced2, MakeGuid("962dc1ec-c046-4db8-9cc7-26ceae500817"));
QD_DECLARE_INTERFACE_PARENT(IWMWriterAdvanced2, IWMWriterAdvanced);

// Capture interfaces of the media framework: the capture graph builder, stream and buffer
// configuration, analogue TV hardware (tuner, TV audio, crossbar, video decoder, proc amp),
// file sinks and the AVI mux, compressors, the device enumerator, the filter mapper and
// property pages. The numeric enums of the analogue interfaces are in capture_constants.h.
#pragma once

#include "platform/com/moniker.h"
#include "platform/com/unknown.h"
#include "platform/media/capture_constants.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/win_types.h"
#include "platform/media/media_types.h"

// ---- Capture graph builder ----------------------------------------------------------------

struct IFileSinkFilter;

struct IAMCopyCaptureFileProgress : IUnknown {
    // Percent done, 0..100; anything but S_OK cancels the copy.
    virtual HRESULT Progress(int progress) = 0;
};
QD_DECLARE_IID(IAMCopyCaptureFileProgress, MakeGuid("670d1d20-a068-11d0-b3f0-00aa003761c5"));

// Values of FindInterface's pCategory that limit the search to one direction.
inline constexpr GUID LOOK_UPSTREAM_ONLY = MakeGuid("ac798be0-98e3-11d1-b3f1-00aa003761c5");
inline constexpr GUID LOOK_DOWNSTREAM_ONLY = MakeGuid("ac798be1-98e3-11d1-b3f1-00aa003761c5");

struct ICaptureGraphBuilder2 : IUnknown {
    virtual HRESULT SetFiltergraph(IGraphBuilder* graph) = 0;
    virtual HRESULT GetFiltergraph(IGraphBuilder** graph) = 0;
    virtual HRESULT SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** multiplexer,
                                      IFileSinkFilter** sink) = 0;
    virtual HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID riid,
                                  void** object) = 0;
    virtual HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                 IBaseFilter* intermediate, IBaseFilter* sink) = 0;
    virtual HRESULT ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter,
                                  REFERENCE_TIME* start, REFERENCE_TIME* stop, WORD startCookie,
                                  WORD stopCookie) = 0;
    virtual HRESULT AllocCapFile(LPCOLESTR file, DWORDLONG size) = 0;
    virtual HRESULT CopyCaptureFile(LPOLESTR oldFile, LPOLESTR newFile, int allowEscAbort,
                                    IAMCopyCaptureFileProgress* callback) = 0;
    virtual HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category, const GUID* type,
                            BOOL unconnected, int index, IPin** pin) = 0;
};
QD_DECLARE_IID(ICaptureGraphBuilder2, MakeGuid("93e5a4e0-2d50-11d2-abfa-00a0c9c6e38d"));

// ---- Stream configuration -----------------------------------------------------------------

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

// ---- Analogue TV hardware -----------------------------------------------------------------

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

// ---- Property sets ------------------------------------------------------------------------

inline constexpr GUID AMPROPSETID_Pin = MakeGuid("9b00f101-1567-11d1-b3f1-00aa003761c5");
// AMPROPERTY_PIN: the pin's category (a GUID, PIN_CATEGORY_*) and medium.
inline constexpr DWORD AMPROPERTY_PIN_CATEGORY = 0;
inline constexpr DWORD AMPROPERTY_PIN_MEDIUM = 1;

inline constexpr DWORD KSPROPERTY_SUPPORT_GET = 1;
inline constexpr DWORD KSPROPERTY_SUPPORT_SET = 2;

struct IKsPropertySet : IUnknown {
    virtual HRESULT Set(REFGUID propertySet, DWORD propertyId, LPVOID instanceData, DWORD instanceDataSize,
                        LPVOID propertyData, DWORD propertyDataSize) = 0;
    virtual HRESULT Get(REFGUID propertySet, DWORD propertyId, LPVOID instanceData, DWORD instanceDataSize,
                        LPVOID propertyData, DWORD propertyDataSize, DWORD* returnedSize) = 0;
    virtual HRESULT QuerySupported(REFGUID propertySet, DWORD propertyId, DWORD* typeSupport) = 0;
};
QD_DECLARE_IID(IKsPropertySet, MakeGuid("31efac30-515c-11d0-a9aa-00aa0061be93"));

// ---- Device enumeration -------------------------------------------------------------------

inline constexpr CLSID CLSID_SystemDeviceEnum = MakeGuid("62be5d10-60eb-11d0-bd3b-00a0c911ce86");

// Categories of CreateClassEnumerator.
inline constexpr CLSID CLSID_VideoInputDeviceCategory = MakeGuid("860bb310-5d01-11d0-bd3b-00a0c911ce86");
inline constexpr CLSID CLSID_AudioInputDeviceCategory = MakeGuid("33d9a762-90c8-11d0-bd43-00a0c911ce86");
inline constexpr CLSID CLSID_VideoCompressorCategory = MakeGuid("33d9a760-90c8-11d0-bd43-00a0c911ce86");
inline constexpr CLSID CLSID_AudioCompressorCategory = MakeGuid("33d9a761-90c8-11d0-bd43-00a0c911ce86");
inline constexpr CLSID CLSID_LegacyAmFilterCategory = MakeGuid("083863f1-70de-11d0-bd40-00a0c911ce86");
inline constexpr GUID DMOCATEGORY_VIDEO_EFFECT = MakeGuid("d990ee14-776c-4723-be46-3da2f56f10b9");
inline constexpr GUID DMOCATEGORY_AUDIO_EFFECT = MakeGuid("f3602b3f-0592-48df-a4cd-674721e7ebeb");
inline constexpr GUID DMOCATEGORY_AUDIO_CAPTURE_EFFECT = MakeGuid("f665aaba-3e09-4920-aa5f-219811148f09");

// CreateClassEnumerator flags.
inline constexpr DWORD CDEF_CLASS_DEFAULT = 0x0001;
inline constexpr DWORD CDEF_BYPASS_CLASS_MANAGER = 0x0002;

struct ICreateDevEnum : IUnknown {
    // S_FALSE with a null *monikers when the category is empty or unknown.
    virtual HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** monikers, DWORD flags) = 0;
};
QD_DECLARE_IID(ICreateDevEnum, MakeGuid("29840822-5b84-11d0-bd3b-00a0c911ce86"));

// ---- File writing and the AVI mux ---------------------------------------------------------

// IFileSinkFilter2::SetMode
inline constexpr DWORD AM_FILE_OVERWRITE = 0x00000001;

struct IFileSinkFilter : IUnknown {
    virtual HRESULT SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE* mediaType) = 0;
    // The name comes from CoTaskMemAlloc; the caller frees it (and the type with FreeMediaType).
    virtual HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) = 0;
};
QD_DECLARE_IID(IFileSinkFilter, MakeGuid("a2104830-7c70-11cf-8bce-00aa00a3f1a6"));

struct IFileSinkFilter2 : IFileSinkFilter {
    virtual HRESULT SetMode(DWORD flags) = 0;
    virtual HRESULT GetMode(DWORD* flags) = 0;
};
QD_DECLARE_IID(IFileSinkFilter2, MakeGuid("00855b90-ce1b-11d0-bd4f-00a0c911ce86"));
QD_DECLARE_INTERFACE_PARENT(IFileSinkFilter2, IFileSinkFilter);

struct IConfigAviMux : IUnknown {
    // -1 for no master stream.
    virtual HRESULT SetMasterStream(LONG stream) = 0;
    virtual HRESULT GetMasterStream(LONG* stream) = 0;
    virtual HRESULT SetOutputCompatibilityIndex(BOOL oldIndex) = 0;
    virtual HRESULT GetOutputCompatibilityIndex(BOOL* oldIndex) = 0;
};
QD_DECLARE_IID(IConfigAviMux, MakeGuid("5acd6aa0-f482-11ce-8b67-00aa00a3f1a6"));

enum InterleavingMode : INT {
    INTERLEAVE_NONE = 0,
    INTERLEAVE_CAPTURE = 1,
    INTERLEAVE_FULL = 2,
    INTERLEAVE_NONE_BUFFERED = 3,
};

struct IConfigInterleaving : IUnknown {
    virtual HRESULT put_Mode(InterleavingMode mode) = 0;
    virtual HRESULT get_Mode(InterleavingMode* mode) = 0;
    virtual HRESULT put_Interleaving(const REFERENCE_TIME* interleave, const REFERENCE_TIME* preroll) = 0;
    virtual HRESULT get_Interleaving(REFERENCE_TIME* interleave, REFERENCE_TIME* preroll) = 0;
};
QD_DECLARE_IID(IConfigInterleaving, MakeGuid("bee3d220-157b-11d0-bd23-00a0c911ce86"));

// ---- Compressors --------------------------------------------------------------------------

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
    virtual HRESULT SendDriverMessage(int msg, LONG param1, LONG param2) = 0;
};
QD_DECLARE_IID(IAMVfwCompressDialogs, MakeGuid("d8d715a3-6e5e-11d0-b3f0-00aa003761c5"));

// ---- DV splitter and clock ----------------------------------------------------------------

struct IDVSplitter : IUnknown {
    // Non-zero: pass only every second video frame.
    virtual HRESULT DiscardAlternateVideoFrames(int discard) = 0;
};
QD_DECLARE_IID(IDVSplitter, MakeGuid("92a3a302-da7c-4a1f-ba7e-1802bb5d2d02"));

struct IAMClockAdjust : IUnknown {
    virtual HRESULT SetClockDelta(REFERENCE_TIME delta) = 0;
};
QD_DECLARE_IID(IAMClockAdjust, MakeGuid("4d5466b0-a49c-11d1-abe8-00a0c905f375"));

// ---- Property pages -----------------------------------------------------------------------

// pElems comes from CoTaskMemAlloc; the caller frees it.
struct CAUUID {
    ULONG cElems;
    GUID* pElems;
};

struct ISpecifyPropertyPages : IUnknown {
    virtual HRESULT GetPages(CAUUID* pages) = 0;
};
QD_DECLARE_IID(ISpecifyPropertyPages, MakeGuid("b196b28b-bab4-101a-b69c-00aa00341d07"));

// The strings come from CoTaskMemAlloc; the caller frees them.
struct PROPPAGEINFO {
    ULONG cb;
    LPOLESTR pszTitle;
    SIZE size;
    LPOLESTR pszDocString;
    LPOLESTR pszHelpFile;
    DWORD dwHelpContext;
};

// IPropertyPageSite::OnStatusChange flags.
inline constexpr DWORD PROPPAGESTATUS_DIRTY = 0x01;
inline constexpr DWORD PROPPAGESTATUS_VALIDATE = 0x02;
inline constexpr DWORD PROPPAGESTATUS_CLEAN = 0x04;

struct IPropertyPageSite : IUnknown {
    virtual HRESULT OnStatusChange(DWORD flags) = 0;
    virtual HRESULT GetLocaleID(LCID* locale) = 0;
    virtual HRESULT GetPageContainer(IUnknown** container) = 0;
    virtual HRESULT TranslateAccelerator(MSG* msg) = 0;
};
QD_DECLARE_IID(IPropertyPageSite, MakeGuid("b196b28c-bab4-101a-b69c-00aa00341d07"));

struct IPropertyPage : IUnknown {
    virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
    virtual HRESULT Activate(HWND parent, LPCRECT rect, BOOL modal) = 0;
    virtual HRESULT Deactivate() = 0;
    virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
    virtual HRESULT SetObjects(ULONG count, IUnknown** objects) = 0;
    virtual HRESULT Show(UINT cmdShow) = 0;
    virtual HRESULT Move(LPCRECT rect) = 0;
    // S_OK when the page has changes not yet applied, else S_FALSE.
    virtual HRESULT IsPageDirty() = 0;
    virtual HRESULT Apply() = 0;
    virtual HRESULT Help(LPCOLESTR helpDir) = 0;
    virtual HRESULT TranslateAccelerator(MSG* msg) = 0;
};
QD_DECLARE_IID(IPropertyPage, MakeGuid("b196b28d-bab4-101a-b69c-00aa00341d07"));

// ---- Filter registration ------------------------------------------------------------------

inline constexpr DWORD MERIT_PREFERRED = 0x800000;
inline constexpr DWORD MERIT_NORMAL = 0x600000;
inline constexpr DWORD MERIT_UNLIKELY = 0x400000;
inline constexpr DWORD MERIT_DO_NOT_USE = 0x200000;
inline constexpr DWORD MERIT_SW_COMPRESSOR = 0x100000;
inline constexpr DWORD MERIT_HW_COMPRESSOR = 0x100050;

struct REGPINTYPES {
    const CLSID* clsMajorType;
    const CLSID* clsMinorType;
};

struct REGFILTERPINS {
    LPWSTR strName;
    BOOL bRendered;
    BOOL bOutput;
    BOOL bZero;
    BOOL bMany;
    const CLSID* clsConnectsToFilter;
    const WCHAR* strConnectsToPin;
    UINT nMediaTypes;
    const REGPINTYPES* lpMediaType;
};

struct REGPINMEDIUM {
    CLSID clsMedium;
    DWORD dw1;
    DWORD dw2;
};

// REGFILTERPINS2::dwFlags
inline constexpr DWORD REG_PINFLAG_B_ZERO = 0x1;
inline constexpr DWORD REG_PINFLAG_B_RENDERER = 0x2;
inline constexpr DWORD REG_PINFLAG_B_MANY = 0x4;
inline constexpr DWORD REG_PINFLAG_B_OUTPUT = 0x8;

struct REGFILTERPINS2 {
    DWORD dwFlags;
    UINT cInstances;
    UINT nMediaTypes;
    const REGPINTYPES* lpMediaType;
    UINT nMediums;
    const REGPINMEDIUM* lpMedium;
    const CLSID* clsPinCategory;
};

// dwVersion 1 uses cPins/rgPins, version 2 cPins2/rgPins2 (the same storage).
struct REGFILTER2 {
    DWORD dwVersion;
    DWORD dwMerit;
    union {
        ULONG cPins;
        ULONG cPins2;
    };
    union {
        const REGFILTERPINS* rgPins;
        const REGFILTERPINS2* rgPins2;
    };
};

struct IEnumRegFilters;

struct IFilterMapper : IUnknown {
    virtual HRESULT RegisterFilter(CLSID clsid, LPCWSTR name, DWORD merit) = 0;
    virtual HRESULT RegisterFilterInstance(CLSID clsid, LPCWSTR name, CLSID* mediaResourceId) = 0;
    virtual HRESULT RegisterPin(CLSID filter, LPCWSTR name, BOOL rendered, BOOL output, BOOL zero, BOOL many,
                                CLSID connectsToFilter, LPCWSTR connectsToPin) = 0;
    virtual HRESULT RegisterPinType(CLSID filter, LPCWSTR pinName, CLSID majorType, CLSID subType) = 0;
    virtual HRESULT UnregisterFilter(CLSID filter) = 0;
    virtual HRESULT UnregisterFilterInstance(CLSID mediaResourceId) = 0;
    virtual HRESULT UnregisterPin(CLSID filter, LPCWSTR name) = 0;
    virtual HRESULT EnumMatchingFilters(IEnumRegFilters** filters, DWORD merit, BOOL inputNeeded,
                                        CLSID inputMajorType, CLSID inputSubType, BOOL render, BOOL outputNeeded,
                                        CLSID outputMajorType, CLSID outputSubType) = 0;
};
QD_DECLARE_IID(IFilterMapper, MakeGuid("56a868a3-0ad4-11ce-b03a-0020af0ba770"));

struct IFilterMapper2 : IUnknown {
    virtual HRESULT CreateCategory(REFCLSID category, DWORD categoryMerit, LPCWSTR description) = 0;
    virtual HRESULT UnregisterFilter(const CLSID* category, LPCOLESTR instance, REFCLSID filter) = 0;
    // A null category means CLSID_LegacyAmFilterCategory; a null instance means the filter's
    // CLSID in text form.
    virtual HRESULT RegisterFilter(REFCLSID filter, LPCWSTR name, IMoniker** moniker, const CLSID* category,
                                   LPCOLESTR instance, const REGFILTER2* registration) = 0;
    virtual HRESULT EnumMatchingFilters(IEnumMoniker** filters, DWORD flags, BOOL exactMatch, DWORD merit,
                                        BOOL inputNeeded, DWORD inputTypeCount, const GUID* inputTypes,
                                        const REGPINMEDIUM* inputMedium, const CLSID* inputPinCategory,
                                        BOOL render, BOOL outputNeeded, DWORD outputTypeCount,
                                        const GUID* outputTypes, const REGPINMEDIUM* outputMedium,
                                        const CLSID* outputPinCategory) = 0;
};
QD_DECLARE_IID(IFilterMapper2, MakeGuid("b79bb0b0-33c1-11d1-abe1-00a0c905f375"));

struct IAMovieSetup : IUnknown {
    virtual HRESULT Register() = 0;
    virtual HRESULT Unregister() = 0;
};
QD_DECLARE_IID(IAMovieSetup, MakeGuid("a3d8cec0-7e5a-11cf-bbc5-00805f6cef20"));

// The core interfaces of the media framework: filters, pins, samples, allocators, clocks,
// enumerators and the filter graph, in the platform's slot order and with its IIDs.
#pragma once

#include "platform/com/persist.h"
#include "platform/com/unknown.h"
#include "platform/media/interfaces/win_types.h"
#include "platform/media/media_types.h"

struct IBaseFilter;
struct IFilterGraph;
struct IEnumMediaTypes;
struct IPin;

enum PIN_DIRECTION : INT {
    PINDIR_INPUT = 0,
    PINDIR_OUTPUT = 1,
};

enum FILTER_STATE : INT {
    State_Stopped = 0,
    State_Paused = 1,
    State_Running = 2,
};

inline constexpr int MAX_PIN_NAME = 128;
inline constexpr int MAX_FILTER_NAME = 128;

// pFilter carries a reference that the caller releases.
struct PIN_INFO {
    IBaseFilter* pFilter;
    PIN_DIRECTION dir;
    WCHAR achName[MAX_PIN_NAME];
};

// pGraph carries a reference (when not null) that the caller releases.
struct FILTER_INFO {
    WCHAR achName[MAX_FILTER_NAME];
    IFilterGraph* pGraph;
};

struct ALLOCATOR_PROPERTIES {
    LONG cBuffers;
    LONG cbBuffer;
    LONG cbAlign;
    LONG cbPrefix;
};

using HEVENT = std::uintptr_t;
using HSEMAPHORE = std::uintptr_t;

struct IReferenceClock : IUnknown {
    virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
    // Signals `event` once at baseTime + streamTime.
    virtual HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event,
                               DWORD_PTR* adviseCookie) = 0;
    // Releases `semaphore` at startTime and every periodTime after it.
    virtual HRESULT AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME periodTime, HSEMAPHORE semaphore,
                                   DWORD_PTR* adviseCookie) = 0;
    virtual HRESULT Unadvise(DWORD_PTR adviseCookie) = 0;
};
QD_DECLARE_IID(IReferenceClock, MakeGuid("56a86897-0ad4-11ce-b03a-0020af0ba770"));

struct IMediaSample : IUnknown {
    virtual HRESULT GetPointer(BYTE** buffer) = 0;
    virtual LONG GetSize() = 0;
    virtual HRESULT GetTime(REFERENCE_TIME* timeStart, REFERENCE_TIME* timeEnd) = 0;
    virtual HRESULT SetTime(REFERENCE_TIME* timeStart, REFERENCE_TIME* timeEnd) = 0;
    virtual HRESULT IsSyncPoint() = 0;
    virtual HRESULT SetSyncPoint(BOOL isSyncPoint) = 0;
    virtual HRESULT IsPreroll() = 0;
    virtual HRESULT SetPreroll(BOOL isPreroll) = 0;
    virtual LONG GetActualDataLength() = 0;
    virtual HRESULT SetActualDataLength(LONG length) = 0;
    // The type when it changed with this sample (S_OK, freed with DeleteMediaType), else S_FALSE.
    virtual HRESULT GetMediaType(AM_MEDIA_TYPE** mediaType) = 0;
    virtual HRESULT SetMediaType(AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT IsDiscontinuity() = 0;
    virtual HRESULT SetDiscontinuity(BOOL isDiscontinuity) = 0;
    virtual HRESULT GetMediaTime(LONGLONG* timeStart, LONGLONG* timeEnd) = 0;
    virtual HRESULT SetMediaTime(LONGLONG* timeStart, LONGLONG* timeEnd) = 0;
};
QD_DECLARE_IID(IMediaSample, MakeGuid("56a8689a-0ad4-11ce-b03a-0020af0ba770"));

// Flags of IMemAllocator::GetBuffer.
inline constexpr DWORD AM_GBF_PREVFRAMESKIPPED = 0x1;
inline constexpr DWORD AM_GBF_NOTASYNCPOINT = 0x2;
inline constexpr DWORD AM_GBF_NOWAIT = 0x4;
inline constexpr DWORD AM_GBF_NODDSURFACELOCK = 0x8;

struct IMemAllocator : IUnknown {
    virtual HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) = 0;
    virtual HRESULT GetProperties(ALLOCATOR_PROPERTIES* properties) = 0;
    virtual HRESULT Commit() = 0;
    virtual HRESULT Decommit() = 0;
    virtual HRESULT GetBuffer(IMediaSample** buffer, REFERENCE_TIME* startTime, REFERENCE_TIME* endTime,
                              DWORD flags) = 0;
    virtual HRESULT ReleaseBuffer(IMediaSample* buffer) = 0;
};
QD_DECLARE_IID(IMemAllocator, MakeGuid("56a8689c-0ad4-11ce-b03a-0020af0ba770"));

struct IMemInputPin : IUnknown {
    virtual HRESULT GetAllocator(IMemAllocator** allocator) = 0;
    virtual HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) = 0;
    virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) = 0;
    virtual HRESULT Receive(IMediaSample* sample) = 0;
    virtual HRESULT ReceiveMultiple(IMediaSample** samples, LONG sampleCount, LONG* samplesProcessed) = 0;
    // S_OK when Receive may block, else S_FALSE.
    virtual HRESULT ReceiveCanBlock() = 0;
};
QD_DECLARE_IID(IMemInputPin, MakeGuid("56a8689d-0ad4-11ce-b03a-0020af0ba770"));

struct IEnumPins : IUnknown {
    virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumPins** clone) = 0;
};
QD_DECLARE_IID(IEnumPins, MakeGuid("56a86892-0ad4-11ce-b03a-0020af0ba770"));

// The types handed out come from CoTaskMemAlloc; the caller frees each with DeleteMediaType.
struct IEnumMediaTypes : IUnknown {
    virtual HRESULT Next(ULONG count, AM_MEDIA_TYPE** mediaTypes, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumMediaTypes** clone) = 0;
};
QD_DECLARE_IID(IEnumMediaTypes, MakeGuid("89c31040-846b-11ce-97d3-00aa0055595a"));

struct IEnumFilters : IUnknown {
    virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumFilters** clone) = 0;
};
QD_DECLARE_IID(IEnumFilters, MakeGuid("56a86893-0ad4-11ce-b03a-0020af0ba770"));

struct IPin : IUnknown {
    virtual HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT Disconnect() = 0;
    virtual HRESULT ConnectedTo(IPin** pin) = 0;
    // Fills *mediaType with a copy the caller frees with FreeMediaType.
    virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
    // The id comes from CoTaskMemAlloc; the caller frees it.
    virtual HRESULT QueryId(LPWSTR* id) = 0;
    virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT EnumMediaTypes(IEnumMediaTypes** mediaTypes) = 0;
    virtual HRESULT QueryInternalConnections(IPin** pins, ULONG* pinCount) = 0;
    virtual HRESULT EndOfStream() = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};
QD_DECLARE_IID(IPin, MakeGuid("56a86891-0ad4-11ce-b03a-0020af0ba770"));

struct IMediaFilter : IPersist {
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME start) = 0;
    virtual HRESULT GetState(DWORD milliSecsTimeout, FILTER_STATE* state) = 0;
    virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
    virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;
};
QD_DECLARE_IID(IMediaFilter, MakeGuid("56a86899-0ad4-11ce-b03a-0020af0ba770"));
QD_DECLARE_INTERFACE_PARENT(IMediaFilter, IPersist);

struct IBaseFilter : IMediaFilter {
    virtual HRESULT EnumPins(IEnumPins** pins) = 0;
    virtual HRESULT FindPin(LPCWSTR id, IPin** pin) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    virtual HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) = 0;
    // The text comes from CoTaskMemAlloc; the caller frees it.
    virtual HRESULT QueryVendorInfo(LPWSTR* vendorInfo) = 0;
};
QD_DECLARE_IID(IBaseFilter, MakeGuid("56a86895-0ad4-11ce-b03a-0020af0ba770"));
QD_DECLARE_INTERFACE_PARENT(IBaseFilter, IMediaFilter);

struct IFilterGraph : IUnknown {
    virtual HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
    virtual HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) = 0;
    virtual HRESULT ConnectDirect(IPin* pinOut, IPin* pinIn, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT Reconnect(IPin* pin) = 0;
    virtual HRESULT Disconnect(IPin* pin) = 0;
    virtual HRESULT SetDefaultSyncSource() = 0;
};
QD_DECLARE_IID(IFilterGraph, MakeGuid("56a8689f-0ad4-11ce-b03a-0020af0ba770"));

struct IGraphBuilder : IFilterGraph {
    virtual HRESULT Connect(IPin* pinOut, IPin* pinIn) = 0;
    virtual HRESULT Render(IPin* pinOut) = 0;
    virtual HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
    virtual HRESULT AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName, IBaseFilter** filter) = 0;
    virtual HRESULT SetLogFile(DWORD_PTR file) = 0;
    virtual HRESULT Abort() = 0;
    virtual HRESULT ShouldOperationContinue() = 0;
};
QD_DECLARE_IID(IGraphBuilder, MakeGuid("56a868a9-0ad4-11ce-b03a-0020af0ba770"));
QD_DECLARE_INTERFACE_PARENT(IGraphBuilder, IFilterGraph);

// Filters post events (EC_*) to the graph through this.
struct IMediaEventSink : IUnknown {
    virtual HRESULT Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;
};
QD_DECLARE_IID(IMediaEventSink, MakeGuid("56a868a2-0ad4-11ce-b03a-0020af0ba770"));

enum QualityMessageType : INT {
    Famine = 0,
    Flood = 1,
};

struct Quality {
    QualityMessageType Type;
    LONG Proportion;  // 1000 = keep the current rate
    REFERENCE_TIME Late;
    REFERENCE_TIME TimeStamp;
};

struct IQualityControl : IUnknown {
    virtual HRESULT Notify(IBaseFilter* self, Quality q) = 0;
    virtual HRESULT SetSink(IQualityControl* sink) = 0;
};
QD_DECLARE_IID(IQualityControl, MakeGuid("56a868a5-0ad4-11ce-b03a-0020af0ba770"));

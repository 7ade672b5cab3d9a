// CBaseFilter: IBaseFilter (with IMediaFilter and IPersist), IAMovieSetup and the private
// IGstFilter, for filters of the system's own modules. It holds the filter-state lock, the
// state, the reference clock and the graph it joined, and posts events to that graph's
// IMediaEventSink.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "platform/media/base/filter_setup.h"
#include "platform/media/interfaces/capture.h"
#include "platform/media/interfaces/gst_filter.h"

class CBasePin;

class CBaseFilter : public ComObject<IBaseFilter, IGstFilter, IAMovieSetup> {
public:
    CBaseFilter(const WCHAR* name, REFCLSID clsid);

    // IPersist / IMediaFilter
    HRESULT GetClassID(CLSID* classId) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD milliSecsTimeout, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT EnumPins(IEnumPins** pins) override;
    HRESULT FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT QueryVendorInfo(LPWSTR* vendorInfo) override;
    // IAMovieSetup: (un)registers the filter's setup data with the filter mapper.
    HRESULT Register() override;
    HRESULT Unregister() override;

    virtual int GetPinCount() = 0;
    virtual CBasePin* GetPin(int index) = 0;
    // The data IAMovieSetup registers; null when the filter has none.
    virtual const AMOVIESETUP_FILTER* GetSetupData() { return nullptr; }

    // Posts an event to the graph the filter joined; without a graph the event is dropped
    // (S_FALSE).
    HRESULT NotifyEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2);
    IFilterGraph* GetFilterGraph() const { return m_pGraph; }
    bool IsStopped() const { return m_State == State_Stopped; }
    std::recursive_mutex& FilterLock() { return m_Lock; }

protected:
    ~CBaseFilter() override;

    std::recursive_mutex m_Lock;  // the filter-state lock
    FILTER_STATE m_State = State_Stopped;
    CLSID m_clsid;
    std::u16string m_Name;
    // Neither is counted: the graph holds the filter, and a counted pointer back would keep
    // both alive (the platform's rule for JoinFilterGraph).
    IFilterGraph* m_pGraph = nullptr;
    std::atomic<IMediaEventSink*> m_pSink{nullptr};  // read on streaming threads without the lock
    ComPtr<IReferenceClock> m_pClock;
    REFERENCE_TIME m_tStart = 0;
};

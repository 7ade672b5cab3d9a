// CBaseFilter: the one base of every filter on the platform. It answers IBaseFilter (with
// IMediaFilter and IPersist), IAMovieSetup and the private IGstFilter through which the graph
// reaches the filter's element; a filter without an element (hardware filters wired to others
// through medium pins) answers no IGstFilter and never joins a pipeline.
//
// It holds the filter-state lock, the state, the reference clock, the pins and the graph it
// joined, and posts events to that graph's IMediaEventSink. Two kinds build on it:
//   - media::GstFilterBase: a filter that is an element (usually a bin) made up front, with
//     pins over its pads;
//   - CTransformFilter / CTransInPlaceFilter: own C++ filters run by the in-process element.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/media/base/base_pin.h"
#include "platform/media/base/filter_setup.h"
#include "platform/media/interfaces/filter_registration.h"
#include "platform/media/interfaces/gst_filter.h"

class CBaseFilter : public ComObject<IBaseFilter, IGstFilter, IAMovieSetup> {
public:
    CBaseFilter(const WCHAR* name, REFCLSID clsid);

    // IUnknown: IGstFilter only while the filter has an element.
    HRESULT QueryInterface(REFIID riid, void** object) override;

    // IPersist / IMediaFilter. The state is recorded here; in a graph, the graph runs the
    // pipeline.
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
    // IGstFilter: none by default.
    _GstElement* GetElement() override { return nullptr; }

    // The pins, by default those added with AddPin.
    virtual int GetPinCount();
    virtual CBasePin* GetPin(int index);
    // The data IAMovieSetup registers; null when the filter has none.
    virtual const AMOVIESETUP_FILTER* GetSetupData() { return nullptr; }
    // Called after the graph connected or disconnected one of the pins.
    virtual void OnConnectionChanged(CBasePin& /*pin*/) {}
    virtual bool IsStopped();

    // Posts an event to the graph the filter joined; without a graph the event is dropped
    // (S_FALSE). Any thread.
    HRESULT NotifyEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2);
    IFilterGraph* GetFilterGraph();
    std::recursive_mutex& FilterLock() { return m_Lock; }

protected:
    ~CBaseFilter() override;

    // Adds a pin the filter owns for its life; pins are made in the constructor.
    template <typename Pin>
    Pin* AddPin(std::unique_ptr<Pin> pin) {
        Pin* added = pin.get();
        m_Pins.push_back(std::move(pin));
        return added;
    }

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

private:
    std::vector<std::unique_ptr<CBasePin>> m_Pins;
};

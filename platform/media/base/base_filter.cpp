#include "platform/media/base/base_filter.h"

#include <algorithm>
#include <vector>

#include "platform/com/com_runtime.h"
#include "platform/com/wide_text.h"
#include "platform/media/filters/enumerators.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/filter_registration.h"

CBaseFilter::CBaseFilter(const WCHAR* name, REFCLSID clsid) : m_clsid(clsid), m_Name(name ? name : u"") {}

CBaseFilter::~CBaseFilter() = default;

HRESULT CBaseFilter::QueryInterface(REFIID riid, void** object) {
    if (riid == IID_IGstFilter && !GetElement()) {
        if (!object) return E_POINTER;
        *object = nullptr;
        return E_NOINTERFACE;
    }
    return ComObject::QueryInterface(riid, object);
}

int CBaseFilter::GetPinCount() { return static_cast<int>(m_Pins.size()); }

CBasePin* CBaseFilter::GetPin(int index) {
    return index >= 0 && index < GetPinCount() ? m_Pins[static_cast<std::size_t>(index)].get() : nullptr;
}

bool CBaseFilter::IsStopped() {
    std::lock_guard lock(m_Lock);
    return m_State == State_Stopped;
}

IFilterGraph* CBaseFilter::GetFilterGraph() {
    std::lock_guard lock(m_Lock);
    return m_pGraph;
}

HRESULT CBaseFilter::GetClassID(CLSID* classId) {
    if (!classId) return E_POINTER;
    *classId = m_clsid;
    return S_OK;
}

HRESULT CBaseFilter::Stop() {
    std::lock_guard lock(m_Lock);
    m_State = State_Stopped;
    return S_OK;
}

HRESULT CBaseFilter::Pause() {
    std::lock_guard lock(m_Lock);
    m_State = State_Paused;
    return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME start) {
    std::lock_guard lock(m_Lock);
    if (m_State == State_Stopped) {
        if (HRESULT hr = Pause(); FAILED(hr)) return hr;
    }
    m_tStart = start;
    m_State = State_Running;
    return S_OK;
}

HRESULT CBaseFilter::GetState(DWORD /*milliSecsTimeout*/, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    std::lock_guard lock(m_Lock);
    *state = m_State;
    return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* clock) {
    std::lock_guard lock(m_Lock);
    m_pClock = ComPtr<IReferenceClock>(clock);
    return S_OK;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    std::lock_guard lock(m_Lock);
    *clock = m_pClock.Get();
    if (*clock) (*clock)->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::EnumPins(IEnumPins** pins) {
    if (!pins) return E_POINTER;
    std::vector<IPin*> list;
    for (int i = 0; i < GetPinCount(); ++i) list.push_back(GetPin(i));
    return media::CreatePinEnumerator(list, pins);
}

HRESULT CBaseFilter::FindPin(LPCWSTR id, IPin** pin) {
    if (!id || !pin) return E_POINTER;
    *pin = nullptr;
    for (int i = 0; i < GetPinCount(); ++i) {
        CBasePin* candidate = GetPin(i);
        if (candidate->Name() == WideView(id)) {
            *pin = candidate;
            candidate->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    std::lock_guard lock(m_Lock);
    const std::size_t length = std::min<std::size_t>(m_Name.size(), MAX_FILTER_NAME - 1);
    std::copy_n(m_Name.begin(), length, info->achName);
    info->achName[length] = 0;
    info->pGraph = m_pGraph;
    if (m_pGraph) m_pGraph->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    std::lock_guard lock(m_Lock);
    m_pGraph = graph;
    IMediaEventSink* sink = nullptr;
    // Kept without a count, as the graph pointer is.
    if (graph && SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) sink->Release();
    else sink = nullptr;
    m_pSink.store(sink);
    // Leaving a graph keeps the name the filter had in it.
    if (graph && name) m_Name = WideView(name);
    return S_OK;
}

// Filters of this kind carry no vendor text, as on the platform.
HRESULT CBaseFilter::QueryVendorInfo(LPWSTR* vendorInfo) {
    if (!vendorInfo) return E_POINTER;
    *vendorInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT CBaseFilter::NotifyEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
    // No lock: streaming threads post events while holding the streaming lock, and the state
    // lock is taken before the streaming lock elsewhere.
    IMediaEventSink* sink = m_pSink.load();
    return sink ? sink->Notify(eventCode, param1, param2) : S_FALSE;
}

namespace {

HRESULT SetupThroughMapper(const AMOVIESETUP_FILTER* setup, bool registering) {
    if (!setup) return S_FALSE;
    ComPtr<IFilterMapper2> mapper;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(mapper.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    return RegisterFilterSetup(mapper.Get(), *setup, registering);
}

}  // namespace

HRESULT CBaseFilter::Register() { return SetupThroughMapper(GetSetupData(), true); }
HRESULT CBaseFilter::Unregister() { return SetupThroughMapper(GetSetupData(), false); }

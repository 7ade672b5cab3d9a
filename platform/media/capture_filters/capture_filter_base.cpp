#include "platform/media/capture_filters/capture_filter_base.h"

#include <algorithm>

#include "platform/com/wide_text.h"
#include "platform/media/filters/enumerators.h"

namespace media {
namespace {
constexpr HRESULT kCantCue = 0x00040268;  // VFW_S_CANT_CUE: paused, but a live source sends nothing
}  // namespace

ObjectCounter& CaptureFilterCounter() {
    static ObjectCounter counter;
    return counter;
}

CaptureFilterBase::CaptureFilterBase(const CLSID& classId, std::u16string name, GstElement* element)
    : classId_(classId), name_(std::move(name)), element_(element) {
    TrackWith(&CaptureFilterCounter());
}

CaptureFilterBase::~CaptureFilterBase() = default;

HRESULT CaptureFilterBase::QueryInterface(REFIID riid, void** object) {
    if (riid == IID_IGstFilter && !element_) {
        if (!object) return E_POINTER;
        *object = nullptr;
        return E_NOINTERFACE;
    }
    return ComObject::QueryInterface(riid, object);
}

CapturePin* CaptureFilterBase::AddPin(PinSetup setup) {
    pins_.push_back(std::make_unique<CapturePin>(this, std::move(setup)));
    return pins_.back().get();
}

bool CaptureFilterBase::IsStopped() const {
    if (!element_) return state_ == State_Stopped;
    GstState current = GST_STATE_VOID_PENDING, pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(element_, &current, &pending, 0);
    return current <= GST_STATE_READY && pending <= GST_STATE_READY;
}

HRESULT CaptureFilterBase::GetClassID(CLSID* classId) {
    if (!classId) return E_POINTER;
    *classId = classId_;
    return S_OK;
}

HRESULT CaptureFilterBase::Stop() {
    state_ = State_Stopped;
    return S_OK;
}

HRESULT CaptureFilterBase::Pause() {
    state_ = State_Paused;
    return S_OK;
}

HRESULT CaptureFilterBase::Run(REFERENCE_TIME) {
    state_ = State_Running;
    return S_OK;
}

HRESULT CaptureFilterBase::GetState(DWORD, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    if (!element_) {
        *state = state_;
        return S_OK;
    }
    GstState current = GST_STATE_VOID_PENDING;
    gst_element_get_state(element_, &current, nullptr, 0);
    *state = current == GST_STATE_PLAYING ? State_Running : current == GST_STATE_PAUSED ? State_Paused : State_Stopped;
    // A live source does not preroll: paused is an intermediate state.
    return *state == State_Paused ? kCantCue : S_OK;
}

HRESULT CaptureFilterBase::SetSyncSource(IReferenceClock* clock) {
    clock_ = ComPtr<IReferenceClock>(clock);
    return S_OK;
}

HRESULT CaptureFilterBase::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    *clock = clock_.Get();
    if (*clock) (*clock)->AddRef();
    return S_OK;
}

HRESULT CaptureFilterBase::EnumPins(IEnumPins** pins) {
    std::vector<IPin*> list;
    for (const auto& p : pins_) list.push_back(p.get());
    return CreatePinEnumerator(list, pins);
}

HRESULT CaptureFilterBase::FindPin(LPCWSTR id, IPin** pin) {
    if (!id || !pin) return E_POINTER;
    *pin = nullptr;
    for (const auto& p : pins_) {
        if (p->Name() == WideView(id)) {
            *pin = p.get();
            p->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CaptureFilterBase::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    const std::size_t n = std::min<std::size_t>(name_.size(), MAX_FILTER_NAME - 1);
    std::copy_n(name_.data(), n, info->achName);
    info->achName[n] = 0;
    info->pGraph = graph_;
    if (graph_) graph_->AddRef();
    return S_OK;
}

HRESULT CaptureFilterBase::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    graph_ = graph;
    if (graph && name) name_ = std::u16string(WideView(name));
    return S_OK;
}

HRESULT CaptureFilterBase::QueryVendorInfo(LPWSTR* vendorInfo) {
    if (!vendorInfo) return E_POINTER;
    *vendorInfo = nullptr;
    return E_NOTIMPL;
}

}  // namespace media

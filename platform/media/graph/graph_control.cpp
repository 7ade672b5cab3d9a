// The filter graph: running the pipeline, its clock, and the events from its bus.
#include <chrono>

#include "platform/media/base/clock_adapter.h"
#include "platform/media/device_lost.h"
#include "platform/media/graph/filter_graph.h"
#include "platform/media/graph/graph_walk.h"
#include "platform/media/graph/gst_reference_clock.h"
#include "platform/media/interfaces/clsids.h"

namespace media {

namespace {

// How long Run and Pause wait for the pipeline to settle, so that a failure is returned
// instead of arriving later as an event.
constexpr GstClockTime kSettleTimeout = 5 * GST_SECOND;
// How long writers get, once the streams ended, to write their headers and indexes.
constexpr std::chrono::seconds kFinishTimeout{5};

HRESULT HResultFromError(const GError* error) {
    if (!error) return E_FAIL;
    if (error->domain == GST_RESOURCE_ERROR) {
        if (error->code == GST_RESOURCE_ERROR_BUSY) return VFW_E_DEVICE_IN_USE;
        if (error->code == GST_RESOURCE_ERROR_NOT_FOUND) return VFW_E_NOT_FOUND;
        if (error->code == GST_RESOURCE_ERROR_NO_SPACE_LEFT) return STG_E_MEDIUMFULL;
        if (error->code == GST_RESOURCE_ERROR_OPEN_WRITE || error->code == GST_RESOURCE_ERROR_OPEN_READ_WRITE)
            return STG_E_CANTSAVE;
        // A write that failed for another reason, such as the size limit of a file.
        if (error->code == GST_RESOURCE_ERROR_WRITE) return STG_E_WRITEFAULT;
        return E_FAIL;
    }
    if (error->domain == GST_STREAM_ERROR &&
        (error->code == GST_STREAM_ERROR_FORMAT || error->code == GST_STREAM_ERROR_WRONG_TYPE ||
         error->code == GST_STREAM_ERROR_CODEC_NOT_FOUND)) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_NEGOTIATION) return VFW_E_TYPE_NOT_ACCEPTED;
    return E_FAIL;
}

FILTER_STATE FilterStateOf(GstState state) {
    return state == GST_STATE_PLAYING ? State_Running : state == GST_STATE_PAUSED ? State_Paused : State_Stopped;
}

// An input that streams carries a pad; the pins that only wire a capture filter to its
// crossbar and tuner carry none.
bool StreamingInput(IPin* pin) {
    if (DirectionOf(pin) != PINDIR_INPUT) return false;
    ComPtr<IGstPin> gst;
    return SUCCEEDED(pin->QueryInterface(IID_PPV_ARGS(gst.ReleaseAndGetAddressOf()))) && gst->GetPad();
}

// Whether data can reach the filter: one of its streaming inputs is connected to a source (a
// filter without streaming inputs) or to a filter that data reaches in turn. Graphs have no
// cycles; the depth bound only guards against a malformed one.
bool ReachedByData(IBaseFilter* filter, int depth = 0) {
    if (depth > 64) return true;
    bool hasInputs = false;
    for (const ComPtr<IPin>& pin : PinsOf(filter)) {
        if (!StreamingInput(pin.Get())) continue;
        hasInputs = true;
        const ComPtr<IPin> peer = PeerOf(pin.Get());
        if (peer && ReachedByData(FilterOfPin(peer.Get()).Get(), depth + 1)) return true;
    }
    return !hasInputs && depth > 0;
}

}  // namespace

GstBusSyncReply FilterGraph::BusSyncHandler(GstBus*, GstMessage* message, gpointer self) {
    static_cast<FilterGraph*>(self)->OnBusMessage(message);
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void FilterGraph::OnBusMessage(GstMessage* message) {
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
            // The end of stream that finishes the files on Stop is no completion of the graph.
            if (!EndFinishing(S_OK)) events_.Notify(EC_COMPLETE, S_OK, 0);
            break;
        case GST_MESSAGE_ERROR: {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            const HRESULT hr = HResultFromError(error);
            g_clear_error(&error);
            {
                std::lock_guard lock(errorMutex_);
                if (lastError_ == S_OK) lastError_ = hr;
            }
            events_.Notify(EC_ERRORABORT, hr, 0);
            // A recording that failed goes down at once, off the streaming thread, keeping what
            // its writers wrote; a Stop finishing the files stops waiting.
            if (!EndFinishing(hr) && fileWriters_ > 0 && Playing()) {
                gst_element_call_async(
                    pipeline_, [](GstElement* pipeline, gpointer) { gst_element_set_state(pipeline, GST_STATE_NULL); },
                    nullptr, nullptr);
            }
            break;
        }
        case GST_MESSAGE_ELEMENT:
            if (IsDeviceLostMessage(message)) {
                IBaseFilter* filter = GST_IS_ELEMENT(GST_MESSAGE_SRC(message))
                                          ? FilterOfElement(GST_ELEMENT(GST_MESSAGE_SRC(message)))
                                          : nullptr;
                events_.Notify(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(filter ? static_cast<IUnknown*>(filter) : nullptr), 0);
            }
            break;
        default:
            break;
    }
}

HRESULT FilterGraph::ChangeState(GstState state) {
    if (Stopped()) {
        events_.ResetCompletion();
        std::lock_guard lock(errorMutex_);
        lastError_ = S_OK;
    }
    GstStateChangeReturn ret = gst_element_set_state(pipeline_, state);
    if (ret == GST_STATE_CHANGE_ASYNC) ret = gst_element_get_state(pipeline_, nullptr, nullptr, kSettleTimeout);
    if (ret == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        std::lock_guard lock(errorMutex_);
        return lastError_ != S_OK ? lastError_ : E_FAIL;
    }
    if (ret == GST_STATE_CHANGE_ASYNC) return S_FALSE;
    return S_OK;
}

HRESULT FilterGraph::Run() { return ChangeState(GST_STATE_PLAYING); }
HRESULT FilterGraph::Run(REFERENCE_TIME /*start*/) { return ChangeState(GST_STATE_PLAYING); }
HRESULT FilterGraph::Pause() { return ChangeState(GST_STATE_PAUSED); }

bool FilterGraph::Playing() const {
    GST_OBJECT_LOCK(pipeline_);
    const bool playing = GST_STATE(pipeline_) == GST_STATE_PLAYING && GST_STATE_PENDING(pipeline_) == GST_STATE_VOID_PENDING;
    GST_OBJECT_UNLOCK(pipeline_);
    return playing;
}

bool FilterGraph::EndFinishing(HRESULT result) {
    std::lock_guard lock(finishMutex_);
    if (!finishing_) return false;
    if (!finishResult_) finishResult_ = result;
    finished_.notify_all();
    return true;
}

HRESULT FilterGraph::FinishStreams() {
    {
        std::lock_guard lock(finishMutex_);
        finishing_ = true;
        finishResult_.reset();
    }
    gst_element_send_event(pipeline_, gst_event_new_eos());
    std::unique_lock lock(finishMutex_);
    const bool ended = finished_.wait_for(lock, kFinishTimeout, [this] { return finishResult_.has_value(); });
    finishing_ = false;
    const HRESULT result = ended ? *finishResult_ : VFW_E_TIMEOUT;
    lock.unlock();
    if (!ended) events_.Notify(EC_ERRORABORT, VFW_E_TIMEOUT, 0);
    return result;
}

// A writer that no data reaches (a multiplexer whose inputs nobody connected, and the file
// writer behind it) has nothing to finish, and no end of stream ever reaches it: waiting for it
// would only run into the timeout.
bool FilterGraph::FeedsAFileWriter() {
    if (fileWriters_ == 0) return false;
    std::lock_guard lock(mutex_);
    for (const Member& member : members_)
        if (member.writesFile && ReachedByData(member.filter.Get())) return true;
    return false;
}

HRESULT FilterGraph::Stop() {
    const HRESULT finished = Playing() && FeedsAFileWriter() ? FinishStreams() : S_OK;
    if (gst_element_set_state(pipeline_, GST_STATE_NULL) == GST_STATE_CHANGE_FAILURE) return E_FAIL;
    return finished;
}

HRESULT FilterGraph::StopWhenReady() { return Stop(); }

HRESULT FilterGraph::GetState(DWORD milliSecsTimeout, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    GstState current = GST_STATE_NULL;
    GstState pending = GST_STATE_VOID_PENDING;
    const GstClockTime timeout =
        milliSecsTimeout == INFINITE ? GST_CLOCK_TIME_NONE : static_cast<GstClockTime>(milliSecsTimeout) * GST_MSECOND;
    const GstStateChangeReturn ret = gst_element_get_state(pipeline_, &current, &pending, timeout);
    if (ret == GST_STATE_CHANGE_ASYNC) {
        *state = FilterStateOf(pending != GST_STATE_VOID_PENDING ? pending : current);
        return VFW_S_STATE_INTERMEDIATE;
    }
    *state = FilterStateOf(current);
    if (ret == GST_STATE_CHANGE_FAILURE) return E_FAIL;
    if (ret == GST_STATE_CHANGE_NO_PREROLL && *state == State_Paused) return VFW_S_CANT_CUE;
    return S_OK;
}

HRESULT FilterGraph::GetState(LONG msTimeout, OAFilterState* state) {
    if (!state) return E_POINTER;
    FILTER_STATE s = State_Stopped;
    const HRESULT hr = GetState(msTimeout < 0 ? INFINITE : static_cast<DWORD>(msTimeout), &s);
    *state = s;
    return hr;
}

HRESULT FilterGraph::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_FilterGraph;
    return S_OK;
}

// A clock that wraps a GstClock drives the pipeline itself; any other IReferenceClock drives
// it through a GstClock adapter that reads the clock's GetTime.
HRESULT FilterGraph::SetSyncSource(IReferenceClock* clock) {
    if (!Stopped()) return VFW_E_NOT_STOPPED;
    std::lock_guard lock(mutex_);
    clock_ = ComPtr<IReferenceClock>(clock);
    noClock_ = clock == nullptr;
    ComPtr<IGstClock> gst;
    if (clock && SUCCEEDED(clock->QueryInterface(IID_PPV_ARGS(gst.ReleaseAndGetAddressOf())))) {
        gst_pipeline_use_clock(GST_PIPELINE(pipeline_), gst->GetGstClock());
    } else if (clock) {
        GstClock* adapted = CreateGstClockForReferenceClock(clock);
        if (!adapted) return E_OUTOFMEMORY;
        gst_pipeline_use_clock(GST_PIPELINE(pipeline_), adapted);
        gst_object_unref(adapted);
    } else {
        gst_pipeline_use_clock(GST_PIPELINE(pipeline_), nullptr);
    }
    events_.Notify(EC_CLOCK_CHANGED, 0, 0);
    return S_OK;
}

HRESULT FilterGraph::SetDefaultSyncSource() {
    if (!Stopped()) return VFW_E_NOT_STOPPED;
    std::lock_guard lock(mutex_);
    clock_ = nullptr;
    noClock_ = false;
    gst_pipeline_auto_clock(GST_PIPELINE(pipeline_));
    return S_OK;
}

HRESULT FilterGraph::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    *clock = nullptr;
    std::lock_guard lock(mutex_);
    if (noClock_) return S_OK;
    if (!clock_) {
        GstClock* system = gst_system_clock_obtain();
        auto wrapper = MakeComObject<GstReferenceClock>(system);
        gst_object_unref(system);
        if (!wrapper) return E_OUTOFMEMORY;
        clock_ = ComPtr<IReferenceClock>(wrapper.Get());
    }
    *clock = clock_.Get();
    (*clock)->AddRef();
    return S_OK;
}

// ---- automation ---------------------------------------------------------------------------

HRESULT FilterGraph::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}
HRESULT FilterGraph::GetTypeInfo(UINT, LCID, void**) { return E_NOTIMPL; }
HRESULT FilterGraph::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT FilterGraph::Invoke(DISPID, REFIID, LCID, WORD, void*, VARIANT*, EXCEPINFO*, UINT*) { return E_NOTIMPL; }
HRESULT FilterGraph::RenderFile(BSTR) { return E_NOTIMPL; }
HRESULT FilterGraph::AddSourceFilter(BSTR, IDispatch** filterInfo) {
    if (filterInfo) *filterInfo = nullptr;
    return E_NOTIMPL;
}
HRESULT FilterGraph::get_FilterCollection(IDispatch** collection) {
    if (collection) *collection = nullptr;
    return E_NOTIMPL;
}
HRESULT FilterGraph::get_RegFilterCollection(IDispatch** collection) {
    if (collection) *collection = nullptr;
    return E_NOTIMPL;
}

// ---- events -------------------------------------------------------------------------------

HRESULT FilterGraph::GetEventHandle(OAEVENT* event) {
    if (!event) return E_POINTER;
    *event = events_.EventHandle();
    return S_OK;
}

HRESULT FilterGraph::GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) {
    return events_.GetEvent(eventCode, param1, param2, msTimeout);
}

HRESULT FilterGraph::WaitForCompletion(LONG msTimeout, LONG* eventCode) {
    return events_.WaitForCompletion(msTimeout, eventCode, !Stopped());
}

HRESULT FilterGraph::CancelDefaultHandling(LONG eventCode) { return events_.CancelDefaultHandling(eventCode); }
HRESULT FilterGraph::RestoreDefaultHandling(LONG eventCode) { return events_.RestoreDefaultHandling(eventCode); }
// No event of this graph carries allocated parameters.
HRESULT FilterGraph::FreeEventParams(LONG, LONG_PTR, LONG_PTR) { return S_OK; }
HRESULT FilterGraph::SetNotifyWindow(OAHWND window, LONG msg, LONG_PTR instanceData) {
    return events_.SetNotifyWindow(window, msg, instanceData);
}
HRESULT FilterGraph::SetNotifyFlags(LONG noNotifyFlags) { return events_.SetNotifyFlags(noNotifyFlags); }
HRESULT FilterGraph::GetNotifyFlags(LONG* noNotifyFlags) {
    if (!noNotifyFlags) return E_POINTER;
    *noNotifyFlags = events_.NotifyFlags();
    return S_OK;
}

HRESULT FilterGraph::Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
    events_.Notify(eventCode, param1, param2);
    return S_OK;
}

}  // namespace media

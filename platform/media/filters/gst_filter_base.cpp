#include "platform/media/filters/gst_filter_base.h"

#include "platform/com/wide_text.h"

namespace media {

GstFilterBase::GstFilterBase(REFCLSID clsid, std::u16string name, GstElement* element, ObjectCounter* counter)
    : CBaseFilter(name.c_str(), clsid), element_(element ? GST_ELEMENT(gst_object_ref_sink(element)) : nullptr) {
    TrackWith(counter);
}

GstFilterBase::~GstFilterBase() {
    if (element_) {
        gst_element_set_state(element_, GST_STATE_NULL);
        gst_object_unref(element_);
    }
}

CBasePin* GstFilterBase::AddPin(GstPad* pad, std::u16string name, const GUID* category) {
    if (!pad) return nullptr;
    return AddPin(std::make_unique<CBasePin>(this, pad, std::move(name), category));
}

HRESULT GstFilterBase::SetElementState(GstState state, FILTER_STATE recorded) {
    if (!element_) {
        std::lock_guard lock(m_Lock);
        m_State = recorded;
        return S_OK;
    }
    return gst_element_set_state(element_, state) == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_OK;
}

HRESULT GstFilterBase::Stop() { return SetElementState(GST_STATE_NULL, State_Stopped); }
HRESULT GstFilterBase::Pause() { return SetElementState(GST_STATE_PAUSED, State_Paused); }
HRESULT GstFilterBase::Run(REFERENCE_TIME /*start*/) { return SetElementState(GST_STATE_PLAYING, State_Running); }

HRESULT GstFilterBase::GetState(DWORD milliSecsTimeout, FILTER_STATE* state) {
    if (!element_) return CBaseFilter::GetState(milliSecsTimeout, state);
    if (!state) return E_POINTER;
    GstState current = GST_STATE_NULL;
    GstState pending = GST_STATE_VOID_PENDING;
    const GstClockTime timeout =
        milliSecsTimeout == INFINITE ? GST_CLOCK_TIME_NONE : static_cast<GstClockTime>(milliSecsTimeout) * GST_MSECOND;
    const GstStateChangeReturn ret = gst_element_get_state(element_, &current, &pending, timeout);
    const GstState shown = ret == GST_STATE_CHANGE_ASYNC && pending != GST_STATE_VOID_PENDING ? pending : current;
    *state = shown == GST_STATE_PLAYING ? State_Running : shown == GST_STATE_PAUSED ? State_Paused : State_Stopped;
    if (ret == GST_STATE_CHANGE_ASYNC) return VFW_S_STATE_INTERMEDIATE;
    // A live source does not preroll: paused is an intermediate state.
    if (ret == GST_STATE_CHANGE_NO_PREROLL && *state == State_Paused) return VFW_S_CANT_CUE;
    return ret == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_OK;
}

bool GstFilterBase::IsStopped() {
    if (!element_) return CBaseFilter::IsStopped();
    GstState current = GST_STATE_VOID_PENDING, pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(element_, &current, &pending, 0);
    return current <= GST_STATE_READY && pending <= GST_STATE_READY;
}

}  // namespace media

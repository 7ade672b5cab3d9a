#include "platform/media/base/transform_filter.h"

#include "platform/media/base/buffer_sample.h"
#include "platform/media/base/transform_element.h"
#include "platform/media/gst_helpers.h"

#include <gst/base/gstbasetransform.h>

#include <string>

#include "platform/com/wide_text.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/media_caps.h"

namespace {

std::string ElementName(const WCHAR* name) {
    std::string base = name && *name ? WideToUtf8(name) : "filter";
    for (char& c : base) {
        if (!g_ascii_isalnum(c)) c = '-';
    }
    return media::UniqueElementName(base.c_str());
}

}  // namespace

// ---- pins ---------------------------------------------------------------------------------

CTransformInputPin::CTransformInputPin(CTransformFilter* filter)
    : CBaseInputPin(filter, u"Input"), m_pTransform(filter) {}

HRESULT CTransformInputPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    return m_pTransform->CheckInputType(type);
}

CTransformOutputPin::CTransformOutputPin(CTransformFilter* filter)
    : CBaseOutputPin(filter, u"Output"), m_pTransform(filter) {}

HRESULT CTransformOutputPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    AM_MEDIA_TYPE input{};
    if (FAILED(m_pTransform->InputPin()->CopyConnectionType(&input))) return m_pTransform->CheckInputType(type);
    const HRESULT hr = m_pTransform->CheckTransform(&input, type);
    FreeMediaType(input);
    return hr;
}

HRESULT CTransformOutputPin::GetMediaType(int position, AM_MEDIA_TYPE* type) {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    return SUCCEEDED(m_pTransform->InputPin()->CopyConnectionType(type)) ? S_OK : VFW_S_NO_MORE_ITEMS;
}

// ---- element bridge -----------------------------------------------------------------------

class CTransformFilter::ElementBridge final : public TransformElementClient {
public:
    ElementBridge(CTransformFilter* filter, const WCHAR* name) : filter_(filter), sample_(MakeComObject<CBufferSample>()) {
        // Filters are made by class factories, before anyone may have started GStreamer.
        media::EnsureGstStarted();
        element_ = media::CreateTransformElement(ElementName(name).c_str(), this);
        gst_object_ref_sink(element_);
    }
    ~ElementBridge() {
        media::DetachTransformClient(element_);
        gst_object_unref(element_);
    }
    GstElement* Element() const { return element_; }

    bool AcceptCaps(GstCaps* caps) override {
        AM_MEDIA_TYPE type{};
        if (!gst_caps_is_fixed(caps) || media::MediaTypeFromCaps(caps, &type) != S_OK) return false;
        const bool accepted = filter_->CheckInputType(&type) == S_OK;
        FreeMediaType(type);
        return accepted;
    }

    void CapsSet(GstCaps* caps) override {
        AM_MEDIA_TYPE type{};
        if (media::MediaTypeFromCaps(caps, &type) != S_OK) return;
        filter_->m_pInput->SetConnectionType(type);
        filter_->m_pOutput->SetConnectionType(type);
        {
            std::lock_guard streaming(filter_->m_csReceive);
            layout_ = RowLayoutFor(type, caps);
        }
        FreeMediaType(type);
        // Caps come before the first buffer: a start put off until the type was known runs now.
        if (filter_->m_bStartAwaitsType.exchange(false)) filter_->StartDeferredStreaming();
    }

    GstFlowReturn ProcessBuffer(GstBuffer* buffer) override {
        sample_->Bind(buffer, filter_->m_bModifiesData, layout_);
        const HRESULT hr = filter_->Receive(sample_.Get());
        sample_->Unbind();
        if (hr == S_OK) return GST_FLOW_OK;
        if (hr == S_FALSE) return GST_BASE_TRANSFORM_FLOW_DROPPED;
        return GST_FLOW_ERROR;
    }

    void StateChanging(GstStateChange transition) override {
        if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
            filter_->m_bStartAwaitsType = !LearnInputTypeFromPeer();
            filter_->ChangeFilterState(State_Paused);
        } else if (transition == GST_STATE_CHANGE_PLAYING_TO_PAUSED) {
            filter_->ChangeFilterState(State_Paused);
        }
    }

    void StateChanged(GstStateChange transition) override {
        if (transition == GST_STATE_CHANGE_PAUSED_TO_PLAYING) {
            std::lock_guard lock(filter_->m_Lock);
            if (filter_->m_State == State_Paused) filter_->m_State = State_Running;
        } else if (transition == GST_STATE_CHANGE_PAUSED_TO_READY) {
            filter_->m_bStartAwaitsType = false;
            filter_->ChangeFilterState(State_Stopped);
        }
    }

private:
    // Before the first caps arrive, the type the stream will carry: the graph's connection
    // type, or else the upstream pad's caps when they are already fixed. False when the type
    // is known only once the caps arrive (a plain pipeline whose source still offers a range;
    // a type left from an earlier run would be stale there).
    bool LearnInputTypeFromPeer() {
        ComPtr<IPin> graphPeer;
        if (SUCCEEDED(filter_->m_pInput->ConnectedTo(graphPeer.ReleaseAndGetAddressOf()))) return true;
        GstCaps* caps = gst_pad_peer_query_caps(filter_->m_pInput->GetPad(), nullptr);
        const bool fixed = caps && gst_caps_is_fixed(caps);
        if (fixed) CapsSet(caps);
        if (caps) gst_caps_unref(caps);
        return fixed;
    }

    CTransformFilter* filter_;
    GstElement* element_ = nullptr;
    ComPtr<CBufferSample> sample_;  // bound to each buffer in turn (streaming thread only)
    SampleRowLayout layout_;
};

// ---- filter -------------------------------------------------------------------------------

CTransformFilter::CTransformFilter(const WCHAR* name, REFCLSID clsid)
    : CBaseFilter(name, clsid),
      m_pInput(std::make_unique<CTransformInputPin>(this)),
      m_pOutput(std::make_unique<CTransformOutputPin>(this)),
      m_pBridge(std::make_unique<ElementBridge>(this, name)) {}

CTransformFilter::~CTransformFilter() = default;

_GstElement* CTransformFilter::GetElement() { return m_pBridge->Element(); }

CBasePin* CTransformFilter::GetPin(int index) {
    if (index == 0) return m_pInput.get();
    if (index == 1) return m_pOutput.get();
    return nullptr;
}

HRESULT CTransformFilter::Stop() { return ChangeFilterState(State_Stopped); }
HRESULT CTransformFilter::Pause() { return ChangeFilterState(State_Paused); }

HRESULT CTransformFilter::ChangeFilterState(FILTER_STATE state) {
    std::lock_guard lock(m_Lock);
    if (state == State_Paused) m_bQualityChanged = false;
    if (state == m_State) return S_OK;
    const FILTER_STATE previous = m_State;
    HRESULT hr = S_OK;
    if (previous == State_Stopped && state != State_Stopped) {
        if (!m_pInput->IsConnected()) {
            // Nothing will ever arrive: tell downstream the stream is over at once.
            if (m_pOutput->IsConnected()) gst_pad_push_event(m_pOutput->GetPad(), gst_event_new_eos());
        } else if (m_pOutput->IsConnected() && !m_bStartAwaitsType) {
            std::lock_guard streaming(m_csReceive);
            hr = StartStreaming();
        }
    } else if (state == State_Stopped) {
        std::lock_guard streaming(m_csReceive);
        hr = StopStreaming();
    }
    if (FAILED(hr)) return hr;
    m_State = state;
    return S_OK;
}

HRESULT CTransformFilter::StartDeferredStreaming() {
    std::lock_guard lock(m_Lock);
    if (m_State == State_Stopped || !m_pInput->IsConnected() || !m_pOutput->IsConnected()) return S_FALSE;
    std::lock_guard streaming(m_csReceive);
    return StartStreaming();
}

bool CTransformFilter::FirstSkipSincePause() { return !m_bQualityChanged.exchange(true); }

// ---- in place -----------------------------------------------------------------------------

CTransInPlaceFilter::CTransInPlaceFilter(const WCHAR* name, REFCLSID clsid, bool modifiesData)
    : CTransformFilter(name, clsid) {
    m_bModifiesData = modifiesData;
}

HRESULT CTransInPlaceFilter::CheckTransform(const AM_MEDIA_TYPE* /*input*/, const AM_MEDIA_TYPE* /*output*/) {
    return S_OK;
}

HRESULT CTransInPlaceFilter::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    HRESULT hr;
    {
        std::lock_guard streaming(m_csReceive);
        hr = Transform(sample);
    }
    if (hr == S_FALSE && FirstSkipSincePause()) NotifyEvent(EC_QUALITY_CHANGE, 0, 0);
    return hr;
}

#include "platform/media/base/multi_pin_filter.h"

#include <string>

#include "platform/com/wide_text.h"
#include "platform/media/base/buffer_sample.h"
#include "platform/media/base/multi_pin_element.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/media_caps.h"

namespace {

constexpr guint64 kNsPerUnit = 100;

std::string ElementName(const WCHAR* name) {
    std::string base = name && *name ? WideToUtf8(name) : "filter";
    for (char& c : base) {
        if (!g_ascii_isalnum(c)) c = '-';
    }
    return media::UniqueElementName(base.c_str());
}

std::vector<std::string> PadNames(std::initializer_list<const WCHAR*> names) {
    std::vector<std::string> pads;
    for (const WCHAR* name : names) {
        std::string pad = WideToUtf8(name);
        for (char& c : pad) {
            if (!g_ascii_isalnum(c)) c = '_';
        }
        pads.push_back(pad);
    }
    return pads;
}

}  // namespace

// ---- element bridge -----------------------------------------------------------------------

class CMultiPinFilter::ElementBridge final : public MultiPinElementClient {
public:
    ElementBridge(CMultiPinFilter* filter, const WCHAR* name, std::initializer_list<const WCHAR*> inputs,
                  std::initializer_list<const WCHAR*> outputs)
        : filter_(filter) {
        media::EnsureGstStarted();
        element_ = media::CreateMultiPinElement(ElementName(name).c_str(), this, PadNames(inputs), PadNames(outputs));
        gst_object_ref_sink(element_);
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            samples_.push_back(MakeComObject<CBufferSample>());
            layouts_.emplace_back();
        }
    }
    ~ElementBridge() {
        media::DetachMultiPinClient(element_);
        gst_object_unref(element_);
    }
    GstElement* Element() const { return element_; }

    bool AcceptCaps(guint input, GstCaps* caps) override {
        AM_MEDIA_TYPE type{};
        if (!gst_caps_is_fixed(caps) || media::MediaTypeFromCaps(caps, &type) != S_OK) return false;
        const bool accepted = filter_->CheckInputType(static_cast<int>(input), &type) == S_OK;
        FreeMediaType(type);
        return accepted;
    }

    void CapsSet(guint input, GstCaps* caps) override {
        AM_MEDIA_TYPE type{};
        if (media::MediaTypeFromCaps(caps, &type) != S_OK) return;
        filter_->InputPin(static_cast<int>(input))->SetConnectionType(type);
        layouts_[input] = RowLayoutFor(type, caps);
        FreeMediaType(type);
    }

    GstFlowReturn Receive(guint input, GstBuffer* buffer) override {
        CBufferSample* sample = samples_[input].Get();
        sample->Bind(buffer, layouts_[input].bottomUp, layouts_[input]);
        const HRESULT hr = filter_->Receive(static_cast<int>(input), sample);
        sample->Unbind();
        return FAILED(hr) ? GST_FLOW_ERROR : GST_FLOW_OK;
    }

    void EndOfStream(guint input) override { filter_->EndOfStream(static_cast<int>(input)); }

    GstCaps* OutputCaps(guint output) override { return filter_->OutputPin(static_cast<int>(output))->StreamCaps(); }

    void StateChanging(GstStateChange transition) override {
        if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) LearnInputTypesFromPeers();
        if (transition == GST_STATE_CHANGE_READY_TO_PAUSED || transition == GST_STATE_CHANGE_PLAYING_TO_PAUSED) {
            filter_->ChangeFilterState(State_Paused);
        }
    }

    void StateChanged(GstStateChange transition) override {
        if (transition == GST_STATE_CHANGE_PAUSED_TO_PLAYING) {
            std::lock_guard lock(filter_->m_Lock);
            if (filter_->m_State == State_Paused) filter_->m_State = State_Running;
        } else if (transition == GST_STATE_CHANGE_PAUSED_TO_READY) {
            filter_->ChangeFilterState(State_Stopped);
        }
    }

private:
    // Before the first caps arrive, an input outside a graph takes the upstream pad's caps as
    // its type when they are already fixed, so the filter knows its types when it starts.
    void LearnInputTypesFromPeers() {
        for (int i = 0; i < filter_->InputCount(); ++i) {
            CMultiInputPin* pin = filter_->InputPin(i);
            ComPtr<IPin> graphPeer;
            if (SUCCEEDED(pin->ConnectedTo(graphPeer.ReleaseAndGetAddressOf()))) continue;
            GstCaps* caps = gst_pad_peer_query_caps(pin->GetPad(), nullptr);
            if (caps && !gst_caps_is_empty(caps) && gst_caps_is_fixed(caps)) CapsSet(static_cast<guint>(i), caps);
            if (caps) gst_caps_unref(caps);
        }
    }

    CMultiPinFilter* filter_;
    GstElement* element_ = nullptr;
    // One sample object and row layout per input, each used only on that input's thread.
    std::vector<ComPtr<CBufferSample>> samples_;
    std::vector<SampleRowLayout> layouts_;
};

// ---- pins ---------------------------------------------------------------------------------

CMultiInputPin::CMultiInputPin(CMultiPinFilter* filter, _GstPad* pad, const WCHAR* name, int index)
    : CBasePin(filter, pad, std::u16string(name), nullptr, PINDIR_INPUT), m_pOwner(filter), m_Index(index) {}

HRESULT CMultiInputPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    return m_pOwner->CheckInputType(m_Index, type);
}

CMultiOutputPin::CMultiOutputPin(CMultiPinFilter* filter, _GstPad* pad, const WCHAR* name, int index)
    : CBasePin(filter, pad, std::u16string(name), nullptr, PINDIR_OUTPUT), m_pOwner(filter), m_Index(index) {}

HRESULT CMultiOutputPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    return m_pOwner->CheckOutputType(m_Index, type);
}

HRESULT CMultiOutputPin::GetMediaType(int position, AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    return m_pOwner->GetOutputType(m_Index, position, type);
}

HRESULT CMultiOutputPin::Deliver(const BYTE* data, LONG size, REFERENCE_TIME start, REFERENCE_TIME stop, bool syncPoint) {
    return Push(data, size, start, stop, syncPoint, false, 0);
}

HRESULT CMultiOutputPin::DeliverFromNow(const BYTE* data, LONG size, REFERENCE_TIME start, REFERENCE_TIME stop,
                                        bool syncPoint, unsigned flags) {
    return Push(data, size, start, stop, syncPoint, true, flags);
}

void CMultiOutputPin::RestartTimeline() { media::RestartOutputTimeline(m_pOwner->GetElement(), static_cast<guint>(m_Index)); }

HRESULT CMultiOutputPin::Push(const BYTE* data, LONG size, REFERENCE_TIME start, REFERENCE_TIME stop, bool syncPoint,
                              bool fromNow, unsigned flags) {
    if (size < 0 || (size > 0 && !data) || start < 0) return E_INVALIDARG;
    if (!IsConnected()) return S_FALSE;
    GstCaps* caps = StreamCaps();
    GstBuffer* buffer = gst_buffer_new_memdup(data, static_cast<gsize>(size));
    GST_BUFFER_PTS(buffer) = static_cast<GstClockTime>(start) * kNsPerUnit;
    if (stop >= start) GST_BUFFER_DURATION(buffer) = static_cast<GstClockTime>(stop - start) * kNsPerUnit;
    if (!syncPoint) GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    if (flags & kDecodeOnly) GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DECODE_ONLY);
    if (flags & kDiscontinuity) GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
    GstElement* element = m_pOwner->GetElement();
    const auto index = static_cast<guint>(m_Index);
    const GstFlowReturn flow = fromNow ? media::PushRelativeFromOutput(element, index, caps, buffer)
                                       : media::PushFromOutput(element, index, caps, buffer);
    if (caps) gst_caps_unref(caps);
    if (flow == GST_FLOW_OK) return S_OK;
    if (flow == GST_FLOW_NOT_LINKED || flow == GST_FLOW_FLUSHING) return S_FALSE;
    return E_FAIL;
}

GstCaps* CMultiOutputPin::StreamCaps() {
    AM_MEDIA_TYPE type{};
    if (FAILED(CopyConnectionType(&type)) && m_pOwner->GetOutputType(m_Index, 0, &type) != S_OK) return nullptr;
    GstCaps* caps = media::CapsFromMediaType(type);
    FreeMediaType(type);
    if (caps && !gst_caps_is_fixed(caps)) caps = gst_caps_fixate(caps);
    return caps;
}

HRESULT CMultiOutputPin::DeliverEndOfStream() {
    media::EndOutput(m_pOwner->GetElement(), static_cast<guint>(m_Index));
    return S_OK;
}

// ---- filter -------------------------------------------------------------------------------

CMultiPinFilter::CMultiPinFilter(const WCHAR* name, REFCLSID clsid, std::initializer_list<const WCHAR*> inputs,
                                 std::initializer_list<const WCHAR*> outputs)
    : CBaseFilter(name, clsid), m_pBridge(std::make_unique<ElementBridge>(this, name, inputs, outputs)) {
    int index = 0;
    for (const WCHAR* input : inputs) {
        GstPad* pad = media::MultiPinElementPad(m_pBridge->Element(), GST_PAD_SINK, static_cast<guint>(index));
        m_Inputs.push_back(AddPin(std::make_unique<CMultiInputPin>(this, GST_PAD(gst_object_ref(pad)), input, index)));
        ++index;
    }
    index = 0;
    for (const WCHAR* output : outputs) {
        GstPad* pad = media::MultiPinElementPad(m_pBridge->Element(), GST_PAD_SRC, static_cast<guint>(index));
        m_Outputs.push_back(AddPin(std::make_unique<CMultiOutputPin>(this, GST_PAD(gst_object_ref(pad)), output, index)));
        ++index;
    }
}

CMultiPinFilter::~CMultiPinFilter() = default;

_GstElement* CMultiPinFilter::GetElement() { return m_pBridge->Element(); }

CMultiInputPin* CMultiPinFilter::InputPin(int index) const {
    return index >= 0 && index < InputCount() ? m_Inputs[static_cast<std::size_t>(index)] : nullptr;
}

CMultiOutputPin* CMultiPinFilter::OutputPin(int index) const {
    return index >= 0 && index < OutputCount() ? m_Outputs[static_cast<std::size_t>(index)] : nullptr;
}

HRESULT CMultiPinFilter::CheckOutputType(int output, const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    AM_MEDIA_TYPE offered{};
    for (int position = 0; GetOutputType(output, position, &offered) == S_OK; ++position) {
        const bool same = offered.majortype == type->majortype && offered.subtype == type->subtype;
        FreeMediaType(offered);
        if (same) return S_OK;
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

void CMultiPinFilter::RestartOutputTimelines() { media::RestartOutputTimelines(GetElement()); }

HRESULT CMultiPinFilter::Stop() { return ChangeFilterState(State_Stopped); }
HRESULT CMultiPinFilter::Pause() { return ChangeFilterState(State_Paused); }

HRESULT CMultiPinFilter::ChangeFilterState(FILTER_STATE state) {
    std::lock_guard lock(m_Lock);
    if (state == m_State) return S_OK;
    HRESULT hr = S_OK;
    if (m_State == State_Stopped) {
        hr = StartStreaming();
    } else if (state == State_Stopped) {
        hr = StopStreaming();
    }
    if (FAILED(hr)) return hr;
    m_State = state;
    return S_OK;
}

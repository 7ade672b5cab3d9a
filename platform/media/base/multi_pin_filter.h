// CMultiPinFilter: an own filter with several input pins that receive samples and output
// pins that push samples from a thread of the filter, run inside a pipeline by an element the
// platform registers in-process (multi_pin_element.h). The pins are named when the filter is
// made and exist for its life.
//
// Each input delivers on its own streaming thread, so Receive may run for two inputs at once;
// a filter that keeps shared state locks it itself. StartStreaming runs on Stopped -> Paused,
// StopStreaming on the way back (after every input's Receive has returned); both hold the
// filter lock. EndOfStream comes once per input before the filter's own end of stream.
#pragma once

#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/media/base/base_filter.h"
#include "platform/media/base/base_pin.h"

class CMultiPinFilter;
struct _GstCaps;

class CMultiInputPin final : public CBasePin {
public:
    CMultiInputPin(CMultiPinFilter* filter, _GstPad* pad, const WCHAR* name, int index);
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
    int Index() const { return m_Index; }

private:
    CMultiPinFilter* m_pOwner;
    int m_Index;
};

class CMultiOutputPin final : public CBasePin {
public:
    CMultiOutputPin(CMultiPinFilter* filter, _GstPad* pad, const WCHAR* name, int index);
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;

    // Pushes one sample downstream (from any thread but a streaming thread of an input). The
    // first one after each start begins the stream with the pin's type. S_FALSE: nobody took it
    // (unconnected, or flushing); a failure: downstream failed.
    HRESULT Deliver(const BYTE* data, LONG size, REFERENCE_TIME start, REFERENCE_TIME stop, bool syncPoint);
    // How a sample delivered on a timeline stands to its neighbours: a decode-only sample is for
    // a decoder's reference and is not shown; a discontinuous one follows a break in the stream.
    enum SampleFlags : unsigned { kDecodeOnly = 1, kDiscontinuity = 2 };
    // The same with times on a timeline of the filter's that starts at 0 (playback, say): the
    // first sample after each RestartTimeline plays at once, the others keep their distance to it.
    HRESULT DeliverFromNow(const BYTE* data, LONG size, REFERENCE_TIME start, REFERENCE_TIME stop, bool syncPoint,
                           unsigned flags = 0);
    void RestartTimeline();
    HRESULT DeliverEndOfStream();
    int Index() const { return m_Index; }
    // The caps the pin's stream carries (a new reference): its connection type, else the
    // first type the filter offers; null when neither is known.
    _GstCaps* StreamCaps();

private:
    HRESULT Push(const BYTE* data, LONG size, REFERENCE_TIME start, REFERENCE_TIME stop, bool syncPoint, bool fromNow,
                 unsigned flags);

    CMultiPinFilter* m_pOwner;
    int m_Index;
};

class CMultiPinFilter : public CBaseFilter {
public:
    CMultiPinFilter(const WCHAR* name, REFCLSID clsid, std::initializer_list<const WCHAR*> inputs,
                    std::initializer_list<const WCHAR*> outputs);

    HRESULT Stop() override;
    HRESULT Pause() override;
    _GstElement* GetElement() override;

    virtual HRESULT CheckInputType(int input, const AM_MEDIA_TYPE* type) = 0;
    // Outputs offer and take what GetOutputType gives; none by default.
    virtual HRESULT GetOutputType(int /*output*/, int /*position*/, AM_MEDIA_TYPE* /*type*/) { return VFW_S_NO_MORE_ITEMS; }
    virtual HRESULT CheckOutputType(int output, const AM_MEDIA_TYPE* type);
    virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }
    // One sample of input `input` on its streaming thread. S_OK and S_FALSE go on; a failure
    // stops that input's stream.
    virtual HRESULT Receive(int input, IMediaSample* sample) = 0;
    virtual void EndOfStream(int /*input*/) {}

    CMultiInputPin* InputPin(int index) const;
    CMultiOutputPin* OutputPin(int index) const;
    int InputCount() const { return static_cast<int>(m_Inputs.size()); }
    // Restarts the timelines of every output together (see CMultiOutputPin::DeliverFromNow): one
    // origin for all, taken at the next sample any of them delivers, so they stay in step.
    void RestartOutputTimelines();
    int OutputCount() const { return static_cast<int>(m_Outputs.size()); }

protected:
    ~CMultiPinFilter() override;
    HRESULT ChangeFilterState(FILTER_STATE state);

private:
    class ElementBridge;
    friend class ElementBridge;
    friend class CMultiOutputPin;

    std::vector<CMultiInputPin*> m_Inputs;
    std::vector<CMultiOutputPin*> m_Outputs;
    std::unique_ptr<ElementBridge> m_pBridge;
};

// CTransformFilter and CTransInPlaceFilter: a filter with one input pin "Input" and one
// output pin "Output" whose element runs in a GStreamer pipeline. The streaming lock is held
// while a sample is processed; StartStreaming runs on Stopped -> Paused with both pins
// connected (holding both locks), StopStreaming on the way back. In place, Transform's S_OK
// delivers the sample and S_FALSE withholds it; the first withheld sample after each pause
// posts EC_QUALITY_CHANGE to the graph.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/media/base/base_filter.h"
#include "platform/media/base/base_pin.h"

class CTransformFilter;

class CTransformInputPin final : public CBaseInputPin {
public:
    explicit CTransformInputPin(CTransformFilter* filter);
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;

private:
    CTransformFilter* m_pTransform;
};

class CTransformOutputPin final : public CBaseOutputPin {
public:
    explicit CTransformOutputPin(CTransformFilter* filter);
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
    // In place, the output offers what the input carries.
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;

private:
    CTransformFilter* m_pTransform;
};

class CTransformFilter : public CBaseFilter {
public:
    CTransformFilter(const WCHAR* name, REFCLSID clsid);

    HRESULT Stop() override;
    HRESULT Pause() override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int index) override;
    _GstElement* GetElement() override;

    virtual HRESULT CheckInputType(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT CheckTransform(const AM_MEDIA_TYPE* input, const AM_MEDIA_TYPE* output) = 0;
    virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }
    // One sample on the streaming thread (holding the streaming lock). S_OK: deliver;
    // S_FALSE: withhold; a failure stops the stream.
    virtual HRESULT Receive(IMediaSample* sample) = 0;

    CTransformInputPin* InputPin() { return m_pInput.get(); }
    CTransformOutputPin* OutputPin() { return m_pOutput.get(); }
    std::mutex& StreamingLock() { return m_csReceive; }

protected:
    ~CTransformFilter() override;

    // Enters `state`, running StartStreaming/StopStreaming on the way; a repeated state does
    // nothing, so the graph's calls and the element's state changes may both arrive.
    HRESULT ChangeFilterState(FILTER_STATE state);
    // Runs the start of streaming that was put off because the input type was not known yet
    // (S_FALSE when the filter is stopped again or a pin is unconnected).
    HRESULT StartDeferredStreaming();
    // Whether a sample withheld now is the first since the last pause.
    bool FirstSkipSincePause();

    std::mutex m_csReceive;  // the streaming lock
    bool m_bModifiesData = false;

private:
    // Connects the filter to its GStreamer element (kept out of this header, so modules
    // built on the filter need no GStreamer headers).
    class ElementBridge;
    friend class ElementBridge;

    std::unique_ptr<CTransformInputPin> m_pInput;
    std::unique_ptr<CTransformOutputPin> m_pOutput;
    std::unique_ptr<ElementBridge> m_pBridge;
    // Set while paused in a plain pipeline whose input type comes only with the first caps.
    std::atomic<bool> m_bStartAwaitsType{false};
    std::atomic<bool> m_bQualityChanged{false};
};

class CTransInPlaceFilter : public CTransformFilter {
public:
    // `modifiesData`: the filter writes into the sample's bytes, so a buffer shared with
    // others is copied before Transform sees it.
    CTransInPlaceFilter(const WCHAR* name, REFCLSID clsid, bool modifiesData);

    // In place, output and input carry one type.
    HRESULT CheckTransform(const AM_MEDIA_TYPE* input, const AM_MEDIA_TYPE* output) override;
    HRESULT Receive(IMediaSample* sample) override;
    virtual HRESULT Transform(IMediaSample* sample) = 0;
};

// Stand-ins that put themselves in front of the real filter graph, Sample Grabber and capture
// graph builder and fail one chosen call, so every step of a still image can be made to fail
// while the rest of the graph stays real. Each forwards what it does not fake. A stand-in
// grabber needs the stand-in graph too (see FaultyGraph).
#pragma once

#include <algorithm>
#include <cstring>

#include "platform/com/com_object.h"
#include "platform/media/format_blocks.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/grabber.h"
#include "platform/media/media_types.h"

enum class GrabberFault {
    None,
    RefusesEveryConverter,  // asks for a type no converter gives, so the render fails
    NoConnectedType,
    HeaderWithoutPicture,  // the connected type's header has no width
    NoBufferSize,
    NoCopy,
    SampleLargerThanPicture,
};

class FaultyGrabber final : public ComObject<IBaseFilter, ISampleGrabber> {
public:
    static constexpr LONG kExtraBytes = 4096;

    FaultyGrabber(IBaseFilter* inner, GrabberFault fault) : inner_(inner), fault_(fault) { inner_.As(&grabber_); }

    // IBaseFilter
    HRESULT GetClassID(CLSID* c) override { return inner_->GetClassID(c); }
    HRESULT Stop() override { return inner_->Stop(); }
    HRESULT Pause() override { return inner_->Pause(); }
    HRESULT Run(REFERENCE_TIME t) override { return inner_->Run(t); }
    HRESULT GetState(DWORD ms, FILTER_STATE* s) override { return inner_->GetState(ms, s); }
    HRESULT SetSyncSource(IReferenceClock* c) override { return inner_->SetSyncSource(c); }
    HRESULT GetSyncSource(IReferenceClock** c) override { return inner_->GetSyncSource(c); }
    HRESULT EnumPins(IEnumPins** p) override { return inner_->EnumPins(p); }
    HRESULT FindPin(LPCWSTR id, IPin** p) override { return inner_->FindPin(id, p); }
    HRESULT QueryFilterInfo(FILTER_INFO* i) override { return inner_->QueryFilterInfo(i); }
    HRESULT JoinFilterGraph(IFilterGraph* g, LPCWSTR n) override { return inner_->JoinFilterGraph(g, n); }
    HRESULT QueryVendorInfo(LPWSTR* v) override { return inner_->QueryVendorInfo(v); }

    // ISampleGrabber
    HRESULT SetOneShot(BOOL oneShot) override { return grabber_->SetOneShot(oneShot); }
    HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override {
        if (fault_ != GrabberFault::RefusesEveryConverter || !type) return grabber_->SetMediaType(type);
        AM_MEDIA_TYPE audio{};
        audio.majortype = MEDIATYPE_Audio;
        return grabber_->SetMediaType(&audio);
    }
    HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* type) override {
        if (fault_ == GrabberFault::NoConnectedType) return VFW_E_NOT_CONNECTED;
        const HRESULT hr = grabber_->GetConnectedMediaType(type);
        if (SUCCEEDED(hr) && fault_ == GrabberFault::HeaderWithoutPicture && type->pbFormat &&
            type->cbFormat >= sizeof(VIDEOINFOHEADER))
            reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader.biWidth = 0;
        return hr;
    }
    HRESULT SetBufferSamples(BOOL buffer) override { return grabber_->SetBufferSamples(buffer); }
    HRESULT GetCurrentBuffer(LONG* size, LONG* buffer) override {
        if (!buffer) {
            if (fault_ == GrabberFault::NoBufferSize) return VFW_E_WRONG_STATE;
            const HRESULT hr = grabber_->GetCurrentBuffer(size, nullptr);
            if (hr == S_OK && fault_ == GrabberFault::SampleLargerThanPicture) *size += kExtraBytes;
            return hr;
        }
        ++copyCalls;
        if (fault_ == GrabberFault::NoCopy) return E_UNEXPECTED;
        if (fault_ != GrabberFault::SampleLargerThanPicture) return grabber_->GetCurrentBuffer(size, buffer);
        // The oversized sample fills as much of the buffer as it is told it may.
        LONG real = 0;
        grabber_->GetCurrentBuffer(&real, nullptr);
        largestCopy = std::max(largestCopy, *size);
        std::memset(buffer, 0x5A, static_cast<std::size_t>(std::min(*size, real + kExtraBytes)));
        return S_OK;
    }
    HRESULT GetCurrentSample(IMediaSample** sample) override { return grabber_->GetCurrentSample(sample); }
    HRESULT SetCallback(ISampleGrabberCB* cb, LONG which) override { return grabber_->SetCallback(cb, which); }

    IBaseFilter* Inner() const { return inner_.Get(); }

    int copyCalls = 0;
    LONG largestCopy = 0;

protected:
    HRESULT QueryOtherInterface(REFIID riid, void** object) override { return inner_->QueryInterface(riid, object); }

private:
    ComPtr<IBaseFilter> inner_;
    ComPtr<ISampleGrabber> grabber_;
    GrabberFault fault_;
};

enum class GraphFault {
    None,
    NoMediaControl,
    NoMediaEvent,
    SetNotifyWindow,
    CancelDefaultHandling,
    RestoreDefaultHandling,
    Run,
    WaitForCompletion,
    Stop,
};

// A stand-in grabber joins the graph as the real grabber inside it, since its pins name that
// one as their filter.
class FaultyGraph final : public ComObject<IGraphBuilder, IMediaControl, IMediaEventEx> {
public:
    FaultyGraph(IGraphBuilder* inner, GraphFault fault) : inner_(inner), fault_(fault) {
        inner_.As(&control_);
        inner_.As(&events_);
    }

    // IFilterGraph, IGraphBuilder
    HRESULT AddFilter(IBaseFilter* f, LPCWSTR name) override { return inner_->AddFilter(Unwrapped(f), name); }
    HRESULT RemoveFilter(IBaseFilter* f) override { return inner_->RemoveFilter(Unwrapped(f)); }
    HRESULT EnumFilters(IEnumFilters** e) override { return inner_->EnumFilters(e); }
    HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** f) override { return inner_->FindFilterByName(name, f); }
    HRESULT ConnectDirect(IPin* o, IPin* i, const AM_MEDIA_TYPE* t) override { return inner_->ConnectDirect(o, i, t); }
    HRESULT Reconnect(IPin* p) override { return inner_->Reconnect(p); }
    HRESULT Disconnect(IPin* p) override { return inner_->Disconnect(p); }
    HRESULT SetDefaultSyncSource() override { return inner_->SetDefaultSyncSource(); }
    HRESULT Connect(IPin* o, IPin* i) override { return inner_->Connect(o, i); }
    HRESULT Render(IPin* o) override { return inner_->Render(o); }
    HRESULT RenderFile(LPCWSTR f, LPCWSTR p) override { return inner_->RenderFile(f, p); }
    HRESULT AddSourceFilter(LPCWSTR f, LPCWSTR n, IBaseFilter** o) override { return inner_->AddSourceFilter(f, n, o); }
    HRESULT SetLogFile(DWORD_PTR f) override { return inner_->SetLogFile(f); }
    HRESULT Abort() override { return inner_->Abort(); }
    HRESULT ShouldOperationContinue() override { return inner_->ShouldOperationContinue(); }

    // IDispatch (both automation interfaces)
    HRESULT GetTypeInfoCount(UINT* count) override { return control_->GetTypeInfoCount(count); }
    HRESULT GetTypeInfo(UINT i, LCID l, void** t) override { return control_->GetTypeInfo(i, l, t); }
    HRESULT GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
        return control_->GetIDsOfNames(r, n, c, l, d);
    }
    HRESULT Invoke(DISPID m, REFIID r, LCID l, WORD f, void* p, VARIANT* v, EXCEPINFO* e, UINT* a) override {
        return control_->Invoke(m, r, l, f, p, v, e, a);
    }

    // IMediaControl
    HRESULT Run() override { return fault_ == GraphFault::Run ? E_FAIL : control_->Run(); }
    HRESULT Pause() override { return control_->Pause(); }
    HRESULT Stop() override {
        const HRESULT hr = control_->Stop();
        return fault_ == GraphFault::Stop ? E_FAIL : hr;
    }
    HRESULT GetState(LONG ms, OAFilterState* s) override { return control_->GetState(ms, s); }
    HRESULT RenderFile(BSTR f) override { return control_->RenderFile(f); }
    HRESULT AddSourceFilter(BSTR f, IDispatch** d) override { return control_->AddSourceFilter(f, d); }
    HRESULT get_FilterCollection(IDispatch** d) override { return control_->get_FilterCollection(d); }
    HRESULT get_RegFilterCollection(IDispatch** d) override { return control_->get_RegFilterCollection(d); }
    HRESULT StopWhenReady() override { return control_->StopWhenReady(); }

    // IMediaEventEx
    HRESULT GetEventHandle(OAEVENT* e) override { return events_->GetEventHandle(e); }
    HRESULT GetEvent(LONG* c, LONG_PTR* p1, LONG_PTR* p2, LONG ms) override { return events_->GetEvent(c, p1, p2, ms); }
    HRESULT WaitForCompletion(LONG ms, LONG* code) override {
        if (fault_ == GraphFault::WaitForCompletion) {
            if (code) *code = 0;
            return E_ABORT;
        }
        return events_->WaitForCompletion(ms, code);
    }
    HRESULT CancelDefaultHandling(LONG code) override {
        return fault_ == GraphFault::CancelDefaultHandling ? E_FAIL : events_->CancelDefaultHandling(code);
    }
    HRESULT RestoreDefaultHandling(LONG code) override {
        const HRESULT hr = events_->RestoreDefaultHandling(code);
        return fault_ == GraphFault::RestoreDefaultHandling ? E_FAIL : hr;
    }
    HRESULT FreeEventParams(LONG c, LONG_PTR p1, LONG_PTR p2) override { return events_->FreeEventParams(c, p1, p2); }
    HRESULT SetNotifyWindow(OAHWND w, LONG m, LONG_PTR i) override {
        return fault_ == GraphFault::SetNotifyWindow ? E_FAIL : events_->SetNotifyWindow(w, m, i);
    }
    HRESULT SetNotifyFlags(LONG f) override { return events_->SetNotifyFlags(f); }
    HRESULT GetNotifyFlags(LONG* f) override { return events_->GetNotifyFlags(f); }

protected:
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if ((fault_ == GraphFault::NoMediaControl && riid == IID_IMediaControl) ||
            (fault_ == GraphFault::NoMediaEvent && (riid == IID_IMediaEventEx || riid == IID_IMediaEvent))) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        return ComObject::QueryInterface(riid, object);
    }
    HRESULT QueryOtherInterface(REFIID riid, void** object) override { return inner_->QueryInterface(riid, object); }

private:
    static IBaseFilter* Unwrapped(IBaseFilter* filter) {
        auto* grabber = dynamic_cast<FaultyGrabber*>(filter);
        return grabber ? grabber->Inner() : filter;
    }

    ComPtr<IGraphBuilder> inner_;
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaEventEx> events_;
    GraphFault fault_;
};

// A builder whose video-port render succeeds without rendering anything, as on a device
// with a video-port pin; everything else is the real builder's.
class VideoPortBuilder final : public ComObject<ICaptureGraphBuilder2> {
public:
    explicit VideoPortBuilder(ICaptureGraphBuilder2* inner) : inner_(inner) {}
    HRESULT SetFiltergraph(IGraphBuilder* g) override { return inner_->SetFiltergraph(g); }
    HRESULT GetFiltergraph(IGraphBuilder** g) override { return inner_->GetFiltergraph(g); }
    HRESULT SetOutputFileName(const GUID* t, LPCOLESTR f, IBaseFilter** m, IFileSinkFilter** s) override {
        return inner_->SetOutputFileName(t, f, m, s);
    }
    HRESULT FindInterface(const GUID* c, const GUID* t, IBaseFilter* f, REFIID r, void** o) override {
        return inner_->FindInterface(c, t, f, r, o);
    }
    HRESULT RenderStream(const GUID* c, const GUID* t, IUnknown* s, IBaseFilter* i, IBaseFilter* k) override {
        if (c && *c == PIN_CATEGORY_VIDEOPORT) {
            ++videoPortRenders;
            return S_OK;
        }
        return inner_->RenderStream(c, t, s, i, k);
    }
    HRESULT ControlStream(const GUID* c, const GUID* t, IBaseFilter* f, REFERENCE_TIME* a, REFERENCE_TIME* b, WORD x,
                          WORD y) override {
        return inner_->ControlStream(c, t, f, a, b, x, y);
    }
    HRESULT AllocCapFile(LPCOLESTR f, DWORDLONG s) override { return inner_->AllocCapFile(f, s); }
    HRESULT CopyCaptureFile(LPOLESTR a, LPOLESTR b, int e, IAMCopyCaptureFileProgress* p) override {
        return inner_->CopyCaptureFile(a, b, e, p);
    }
    HRESULT FindPin(IUnknown* s, PIN_DIRECTION d, const GUID* c, const GUID* t, BOOL u, int i, IPin** p) override {
        return inner_->FindPin(s, d, c, t, u, i, p);
    }

    int videoPortRenders = 0;

private:
    ComPtr<ICaptureGraphBuilder2> inner_;
};

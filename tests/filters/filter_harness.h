// Test doubles for own filters: samples with chosen media times and time stamps, a graph
// that records the events filters post, and a harness that connects a filter's pins and
// pushes samples through its Receive path.
#pragma once

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "platform/com/task_memory.h"
#include "platform/media/base/transform_filter.h"
#include "platform/media/interfaces/control.h"

namespace filters::test {

class FakeSample final : public ComObject<IMediaSample> {
public:
    std::optional<LONGLONG> mediaStart;
    std::optional<REFERENCE_TIME> start, stop;
    HRESULT mediaTimeFailure = VFW_E_MEDIA_TIME_NOT_SET;  // answered when mediaStart is empty
    HRESULT timeFailure = VFW_E_SAMPLE_TIME_NOT_SET;      // answered when start is empty
    HRESULT setTimeResult = S_OK;
    int getTimeCalls = 0;
    bool discontinuity = false;

    HRESULT GetPointer(BYTE** buffer) override {
        *buffer = nullptr;
        return E_FAIL;
    }
    LONG GetSize() override { return 0; }
    HRESULT GetTime(REFERENCE_TIME* s, REFERENCE_TIME* e) override {
        ++getTimeCalls;
        if (!start) return timeFailure;
        *s = *start;
        if (!stop) {
            *e = *s + 1;
            return MakeHResult(0x00040270);  // a start without a stop
        }
        *e = *stop;
        return S_OK;
    }
    HRESULT SetTime(REFERENCE_TIME* s, REFERENCE_TIME* e) override {
        if (setTimeResult != S_OK) return setTimeResult;
        start = *s;
        stop = *e;
        return S_OK;
    }
    HRESULT IsSyncPoint() override { return S_OK; }
    HRESULT SetSyncPoint(BOOL) override { return S_OK; }
    HRESULT IsPreroll() override { return S_FALSE; }
    HRESULT SetPreroll(BOOL) override { return S_OK; }
    LONG GetActualDataLength() override { return 0; }
    HRESULT SetActualDataLength(LONG) override { return S_OK; }
    HRESULT GetMediaType(AM_MEDIA_TYPE** type) override {
        *type = nullptr;
        return S_FALSE;
    }
    HRESULT SetMediaType(AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT IsDiscontinuity() override { return discontinuity ? S_OK : S_FALSE; }
    HRESULT SetDiscontinuity(BOOL d) override {
        discontinuity = d;
        return S_OK;
    }
    HRESULT GetMediaTime(LONGLONG* s, LONGLONG* e) override {
        if (!mediaStart) return mediaTimeFailure;
        *s = *mediaStart;
        *e = *mediaStart;
        return S_OK;
    }
    HRESULT SetMediaTime(LONGLONG*, LONGLONG*) override { return S_OK; }
};

struct Event {
    LONG code;
    LONG_PTR param1;
    LONG_PTR param2;
    bool operator==(const Event&) const = default;
};

// A graph that only collects events (what a filter that joined it posts).
class EventGraph final : public ComObject<IFilterGraph, IMediaEventSink> {
public:
    std::vector<Event> events;
    HRESULT Notify(LONG code, LONG_PTR p1, LONG_PTR p2) override {
        events.push_back({code, p1, p2});
        return S_OK;
    }
    HRESULT AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
    HRESULT FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT Reconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT Disconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT SetDefaultSyncSource() override { return E_NOTIMPL; }
};

// A video type with a VIDEOINFOHEADER-sized block whose AvgTimePerFrame is `interval`.
inline AM_MEDIA_TYPE VideoType(REFERENCE_TIME interval, GUID format = FORMAT_VideoInfo, ULONG blockSize = 88) {
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_YUY2;
    type.formattype = format;
    type.cbFormat = blockSize;
    type.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(blockSize ? blockSize : 1));
    std::fill_n(type.pbFormat, blockSize, BYTE{0xAB});
    if (blockSize >= 48) std::memcpy(type.pbFormat + 40, &interval, sizeof interval);
    return type;
}

// Connects `filter`'s pins to the pins of `peer` (any other transform filter) by type only,
// joins a recording graph, and disconnects again at the end.
template <typename Filter>
class FilterHarness {
public:
    FilterHarness(ComPtr<Filter> filter, ComPtr<CTransformFilter> peer)
        : filter_(std::move(filter)), peer_(std::move(peer)), graph_(MakeComObject<EventGraph>()) {
        filter_->JoinFilterGraph(graph_.Get(), u"filter");
    }
    ~FilterHarness() {
        filter_->Stop();
        filter_->InputPin()->SetConnection(nullptr, nullptr);
        filter_->OutputPin()->SetConnection(nullptr, nullptr);
        filter_->JoinFilterGraph(nullptr, nullptr);
    }
    void Connect(const AM_MEDIA_TYPE& type) {
        filter_->InputPin()->SetConnection(peer_->OutputPin(), &type);
        filter_->OutputPin()->SetConnection(peer_->InputPin(), &type);
    }
    // Runs one sample through; returns the filter's answer.
    HRESULT Push(FakeSample* sample) { return filter_->Receive(sample); }
    HRESULT Push(std::optional<LONGLONG> media, std::optional<REFERENCE_TIME> start, FakeSample** kept = nullptr) {
        auto sample = MakeComObject<FakeSample>();
        sample->mediaStart = media;
        sample->start = start;
        const HRESULT hr = Push(sample.Get());
        last_ = sample;
        if (kept) *kept = sample.Get();
        return hr;
    }
    FakeSample* Last() const { return last_.Get(); }
    Filter* operator->() const { return filter_.Get(); }
    std::vector<Event>& Events() { return graph_->events; }

private:
    ComPtr<Filter> filter_;
    ComPtr<CTransformFilter> peer_;
    ComPtr<EventGraph> graph_;
    ComPtr<FakeSample> last_;
};

}  // namespace filters::test

// A small base for the capture filters and the card's hardware filters: IBaseFilter over a
// fixed set of pins (made in the constructor, kept for the filter's life) and, for filters
// that stream, IGstFilter handing the graph the element. Hardware filters (tuner, crossbar,
// TV audio) have no element: they never join a pipeline and answer no IGstFilter.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/media/capture_filters/capture_pin.h"
#include "platform/media/interfaces/gst_filter.h"

namespace media {

class CaptureFilterBase : public ComObject<IBaseFilter, IGstFilter> {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override;

    // IPersist / IMediaFilter. State changes are the pipeline's; the filter records the
    // state it was told, and reports the element's when it has one.
    HRESULT GetClassID(CLSID* classId) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD milliSecsTimeout, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;

    // IBaseFilter
    HRESULT EnumPins(IEnumPins** pins) override;
    HRESULT FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT QueryVendorInfo(LPWSTR* vendorInfo) override;

    // IGstFilter
    _GstElement* GetElement() override { return element_; }

    // For the pins.
    IFilterGraph* Graph() const { return graph_; }
    bool IsStopped() const;
    CapturePin* PinAt(std::size_t index) const { return index < pins_.size() ? pins_[index].get() : nullptr; }

protected:
    CaptureFilterBase(const CLSID& classId, std::u16string name, GstElement* element);
    ~CaptureFilterBase() override;

    CapturePin* AddPin(PinSetup setup);
    void SetElement(GstElement* element) { element_ = element; }

private:
    CLSID classId_;
    std::u16string name_;
    GstElement* element_;  // borrowed from the subclass's source
    std::vector<std::unique_ptr<CapturePin>> pins_;
    IFilterGraph* graph_ = nullptr;  // not counted: the graph holds the filter
    ComPtr<IReferenceClock> clock_;
    FILTER_STATE state_ = State_Stopped;
};

// Counts live capture and hardware filters (and so their pins), for leak checks in tests.
ObjectCounter& CaptureFilterCounter();

}  // namespace media

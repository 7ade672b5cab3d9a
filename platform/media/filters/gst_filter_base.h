// GstFilterBase: the base of the platform's GStreamer-backed filters (and of capture filters
// and test fakes). A filter is one element (usually a bin) and a fixed set of pins over its
// pads, made when the filter is created:
//
//   class CSmartTee : public GstFilterBase {
//   public:
//       CSmartTee() : GstFilterBase(CLSID_SmartTee, u"Smart Tee", BuildBin()) {
//           AddPin(gst_element_get_static_pad(Element(), "Input"), u"Input");
//           AddPin(..., u"Capture", &PIN_CATEGORY_CAPTURE);
//       }
//   };
//
// It answers IBaseFilter (with IMediaFilter and IPersist) and IGstFilter. Extra interfaces:
// derive with ComExtend<GstFilterBase, IMyInterface> or override QueryOtherInterface. The
// filter holds no reference on its graph (as the platform's filters do); NotifyEvent reaches
// the graph's IMediaEventSink from any thread without touching reference counts.
#pragma once

#include "platform/media/gst.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/media/filters/gst_pin.h"
#include "platform/media/interfaces/gst_filter.h"

namespace media {

class GstFilterBase : public ComObject<IBaseFilter, IGstFilter> {
public:
    HRESULT GetClassID(CLSID* clsid) override;

    // On a filter alone these set its element's state; in a graph the graph runs the pipeline.
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD milliSecsTimeout, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;

    HRESULT EnumPins(IEnumPins** pins) override;
    HRESULT FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT QueryVendorInfo(LPWSTR* vendorInfo) override;

    _GstElement* GetElement() override { return element_; }

    std::size_t PinCount() const { return pins_.size(); }
    GstPin& PinAt(std::size_t index) const { return *pins_[index]; }
    // The graph the filter is in, without a reference (null when none).
    IFilterGraph* Graph() const;

    // Called by GstPin when the graph has connected or disconnected one of the pins.
    virtual void OnConnectionChanged(GstPin& /*pin*/) {}

protected:
    // Takes over `element` (a floating reference is sunk). The filter's default name is what
    // QueryFilterInfo gives before the filter joins a graph.
    GstFilterBase(REFCLSID clsid, std::u16string defaultName, GstElement* element);
    ~GstFilterBase() override;

    // A pin over `pad` (a pad of Element(); the reference is taken over). Pins are made in the
    // constructor and live as long as the filter.
    GstPin* AddPin(GstPad* pad, std::u16string name, const GUID* category = nullptr);
    GstPin* AddPin(std::unique_ptr<GstPin> pin);

    // Posts an event to the graph's IMediaEventSink; nothing when the filter is in no graph.
    void NotifyEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2);

private:
    CLSID clsid_;
    GstElement* element_;
    std::vector<std::unique_ptr<GstPin>> pins_;

    mutable std::mutex mutex_;
    std::u16string name_;
    IFilterGraph* graph_ = nullptr;      // weak
    IMediaEventSink* eventSink_ = nullptr;  // weak, the graph's
    ComPtr<IReferenceClock> clock_;
};

// Builds a bin around a chain of elements linked in order, exposing the first element's sink
// pad as `inputName` and the last one's source pad as `outputName` (either may be null for a
// chain without that side). Null (and nothing leaked) when an element is missing or linking
// fails.
GstElement* MakeChainBin(const char* inputName, const char* outputName, std::initializer_list<GstElement*> chain);

}  // namespace media

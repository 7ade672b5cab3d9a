// GstFilterBase: the filters that are a GStreamer element (usually a bin) made up front, with
// a fixed set of pins over its pads made in the constructor: the platform's filters, capture
// filters and test fakes.
//
//   class CSmartTee : public GstFilterBase {
//   public:
//       CSmartTee() : GstFilterBase(CLSID_SmartTee, u"Smart Tee", BuildBin()) {
//           AddPin(GhostPad(Element(), "tee", "sink", "Input"), u"Input");
//           AddPin(..., u"Capture", &PIN_CATEGORY_CAPTURE);
//       }
//   };
//
// Extra interfaces: derive with ComExtend<GstFilterBase, IMyInterface>. A filter alone follows
// Stop/Pause/Run with its element's state (in a graph, the graph runs the pipeline); a filter
// made without an element (hardware wired through medium pins) keeps the recorded state.
#pragma once

#include "platform/media/gst.h"

#include <memory>
#include <string>

#include "platform/media/base/base_filter.h"

namespace media {

class GstFilterBase : public CBaseFilter {
public:
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD milliSecsTimeout, FILTER_STATE* state) override;
    bool IsStopped() override;

    _GstElement* GetElement() override { return element_; }
    GstElement* Element() const { return element_; }

protected:
    // Takes over `element` (a floating reference is sunk; may be null). Live objects are
    // counted in `counter`. The filter's name is what QueryFilterInfo gives before the filter
    // joins a graph.
    GstFilterBase(REFCLSID clsid, std::u16string name, GstElement* element,
                  ObjectCounter* counter = &PlatformObjectCounter());
    ~GstFilterBase() override;

    using CBaseFilter::AddPin;
    // A pin over `pad` (a pad of Element(); the reference is taken over); null without a pad.
    CBasePin* AddPin(GstPad* pad, std::u16string name, const GUID* category = nullptr);

private:
    HRESULT SetElementState(GstState state, FILTER_STATE recorded);

    GstElement* element_;
};

}  // namespace media

// Private platform interfaces through which the filter graph reaches the GStreamer element
// behind any filter and the pad behind any pin: platform filters, own filters built on the
// filter base classes, and test fakes all join graphs this way. Only platform code uses them.
#pragma once

#include "platform/media/interfaces/filters.h"

struct _GstElement;
struct _GstPad;

// Answered by every filter that can be added to a filter graph.
struct IGstFilter : IUnknown {
    // The filter's element (a bin for filters made of several elements). Borrowed: it lives as
    // long as the filter. The graph adds it to its pipeline in AddFilter and removes it in
    // RemoveFilter; the filter never changes the element's parent itself.
    virtual _GstElement* GetElement() = 0;
};
QD_DECLARE_IID(IGstFilter, MakeGuid("6b1f6c0e-3d4a-4f0b-9a41-5c2e7d9b8a10"));

// Answered by every pin of such a filter.
struct IGstPin : IUnknown {
    // The pad that stands for the pin (a ghost pad on bins), borrowed; exists from the filter's
    // creation on.
    virtual _GstPad* GetPad() = 0;
    // The graph calls this once it has linked the pads with the settled type (peer and type
    // non-null), or unlinked them (both null). The pin keeps its own copy of the type, which
    // ConnectedTo and ConnectionMediaType then answer.
    virtual HRESULT SetConnection(IPin* peer, const AM_MEDIA_TYPE* type) = 0;
};
QD_DECLARE_IID(IGstPin, MakeGuid("6b1f6c0e-3d4a-4f0b-9a41-5c2e7d9b8a11"));

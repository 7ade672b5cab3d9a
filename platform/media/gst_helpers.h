// Small GStreamer building blocks shared by the platform's media sources and filters.
#pragma once

#include <gst/gst.h>

#include <initializer_list>
#include <memory>

namespace media {

// A new element from a Debian-packaged plugin; nullptr (with a warning naming the factory)
// when the plugin is missing.
GstElement* MakeElement(const char* factory, const char* name);

// Adds all elements to `bin`; when any is null (a missing plugin) adds none, releases the
// others and returns false.
bool AddElements(GstBin* bin, std::initializer_list<GstElement*> elements);

// Exposes `inner` (a source pad inside `bin`) as the bin's ghost pad `name`. While the ghost
// pad has no peer its data is discarded, so an output nobody connected never stops the
// pipeline with "not-linked".
GstPad* ExposeOutput(GstBin* bin, GstPad* inner, const char* name);

// Sets a capsfilter's caps, taking over the reference; false for null caps.
bool SetFilterCaps(GstElement* capsfilter, GstCaps* caps);

struct GstObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
template <typename T>
using GstOwned = std::unique_ptr<T, GstObjectUnref>;

}  // namespace media

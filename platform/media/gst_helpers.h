// Small GStreamer building blocks shared by the platform's media sources and filters.
#pragma once

#include <gst/gst.h>

#include <initializer_list>
#include <memory>
#include <string>

namespace media {

// Starts GStreamer once per process (gst_init_check); false, with the reason logged, when it
// cannot start. Filters and devices call it before they make elements, so a program that only
// uses the COM calls never starts GStreamer itself.
bool EnsureGstStarted();

// "<prefix>-<n>": element names that stay unique when several filters share a pipeline.
std::string UniqueElementName(const char* prefix);

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

// Exposes the pad `padName` of `child` (an element inside `bin`) as the bin's ghost pad
// `name`. Returns the ghost pad with a reference for the caller; null when there is no such pad.
GstPad* AddGhostPad(GstElement* bin, GstElement* child, const char* padName, const char* name);
// The same for a child found by its name.
GstPad* AddGhostPad(GstElement* bin, const char* childName, const char* padName, const char* name);

// Builds a bin around a chain of elements linked in order, exposing the first element's sink
// pad as `inputName` and the last one's source pad as `outputName` (either may be null for a
// chain without that side). Null (and nothing leaked) when an element is missing or linking
// fails.
GstElement* MakeChainBin(const char* inputName, const char* outputName, std::initializer_list<GstElement*> chain);

// Sets a capsfilter's caps, taking over the reference; false for null caps.
bool SetFilterCaps(GstElement* capsfilter, GstCaps* caps);

struct GstObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
template <typename T>
using GstOwned = std::unique_ptr<T, GstObjectUnref>;

}  // namespace media

// The GStreamer element that runs an own filter with several inputs (and outputs) inside a
// pipeline: registered in-process once (never a plugin file), with the sink and source pads
// the filter names when it is made. Each input's buffers, caps and end of stream go to the
// client on that input's streaming thread (inputs are not serialised against each other);
// outputs push what the client hands them from its own thread. The element counts as a sink:
// once every linked input has ended, it pushes the end of stream out of its outputs and posts
// it to the bus. When it starts, each linked output begins its stream with a gap, so sinks
// downstream complete their start without waiting for the first sample.
#pragma once

#include <string>
#include <vector>

#include "platform/media/gst.h"

class MultiPinElementClient {
public:
    // Whether input `input` takes these (fixed) caps.
    virtual bool AcceptCaps(guint input, GstCaps* caps) = 0;
    virtual void CapsSet(guint input, GstCaps* caps) = 0;
    // One buffer (writable, owned by the element). GST_FLOW_OK goes on.
    virtual GstFlowReturn Receive(guint input, GstBuffer* buffer) = 0;
    // Input `input` ended; called before the element's own end of stream.
    virtual void EndOfStream(guint input) = 0;
    // The caps output `output` will carry (a new reference), or null when not known yet.
    virtual GstCaps* OutputCaps(guint output) = 0;
    // Before and after the element changes state.
    virtual void StateChanging(GstStateChange transition) = 0;
    virtual void StateChanged(GstStateChange transition) = 0;

protected:
    ~MultiPinElementClient() = default;
};

namespace media {

// A new element (floating reference) with sink pads and source pads of these names, calling
// `client` until DetachMultiPinClient.
GstElement* CreateMultiPinElement(const char* name, MultiPinElementClient* client, const std::vector<std::string>& inputs,
                                  const std::vector<std::string>& outputs);
// From now on buffers are dropped; waits for calls in progress.
void DetachMultiPinClient(GstElement* element);
// The pad of input or output `index` (no reference added).
GstPad* MultiPinElementPad(GstElement* element, GstPadDirection direction, guint index);
// Pushes `buffer` (taken over) out of output `index`; the stream is begun first (stream start,
// `caps`, a time segment) when this output has not begun one since the element last started.
GstFlowReturn PushFromOutput(GstElement* element, guint index, GstCaps* caps, GstBuffer* buffer);
// The same for a buffer stamped on a timeline of the client's that starts at 0: the element's
// running time at the first such buffer (since the start or RestartOutputTimeline) is added.
GstFlowReturn PushRelativeFromOutput(GstElement* element, guint index, GstCaps* caps, GstBuffer* buffer);
void RestartOutputTimeline(GstElement* element, guint index);
// Restarts every output's timeline on one origin: the running time at the first buffer any of
// them pushes next, so streams played together stay aligned.
void RestartOutputTimelines(GstElement* element);
// Ends the stream of output `index`.
void EndOutput(GstElement* element, guint index);

}  // namespace media

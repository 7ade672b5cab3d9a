// The GStreamer element that runs an own in-place transform filter inside a pipeline: a
// GstBaseTransform subclass, registered in-process once (never a plugin file), with one
// "sink" and one "src" pad that always exist. It hands caps, buffers and state changes to
// its client, the C++ filter.
#pragma once

#include "platform/media/gst.h"

class TransformElementClient {
public:
    // Whether the filter takes these (fixed) caps on its input.
    virtual bool AcceptCaps(GstCaps* caps) = 0;
    virtual void CapsSet(GstCaps* caps) = 0;
    // One writable buffer, changed in place. GST_FLOW_OK delivers it;
    // GST_BASE_TRANSFORM_FLOW_DROPPED withholds it.
    virtual GstFlowReturn ProcessBuffer(GstBuffer* buffer) = 0;
    // Called before the element changes state (READY->PAUSED, ...).
    virtual void StateChanging(GstStateChange transition) = 0;
    // Called after the element changed state successfully.
    virtual void StateChanged(GstStateChange transition) = 0;

protected:
    ~TransformElementClient() = default;
};

namespace media {

// A new element (floating reference) that calls `client` until DetachTransformClient.
GstElement* CreateTransformElement(const char* name, TransformElementClient* client);
// From now on the element passes buffers through untouched; waits for a call in progress.
void DetachTransformClient(GstElement* element);

}  // namespace media

// Puts a FrameGate on a pad of a virtual source: each buffer passing the pad is numbered,
// dropped, re-stamped or held back as the gate decides.
#pragma once

#include "platform/media/gst.h"

#include <memory>

#include "platform/media/virtual_card/frame_gate.h"

namespace media {

enum class Numbering {
    Frames,   // offset = frame number, offset_end = offset + 1 (video frames, DV frames)
    Keep,     // offsets stay as the source set them (audio sample positions)
};

void AttachFrameGate(GstPad* pad, std::shared_ptr<FrameGate> gate, Numbering numbering);

}  // namespace media

// The DV Splitter: dvdemux in a bin whose outputs exist from creation, "DVVidOut0" (DV video
// frames, sized from the connected input) and "AudOut00" (16-bit stereo PCM at 48 kHz, the
// demuxer's sound converted as needed). IDVSplitter::DiscardAlternateVideoFrames passes only
// every second video frame.
#pragma once

#include "platform/com/com_runtime.h"

namespace media {

HRESULT CreateDVSplitter(IUnknown* outer, REFIID riid, void** object);

}  // namespace media

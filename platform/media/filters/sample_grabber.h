// The Sample Grabber (ISampleGrabber): a pass-through whose input accepts only the type set
// with SetMediaType, keeps a copy of the last sample when asked (RGB rows handed out
// bottom-up, as DIBs are), and in one-shot mode ends the stream after the first sample so
// the graph completes.
#pragma once

#include "platform/com/com_runtime.h"

namespace media {

HRESULT CreateSampleGrabber(IUnknown* outer, REFIID riid, void** object);

}  // namespace media

// The platform filters that only move data along: Smart Tee (one input, outputs "Capture"
// and "Preview"; the preview branch is leaky and its samples carry no time stamps, so it
// never holds up capture and is shown at once), Overlay Mixer (a pass-through) and Null
// Renderer (discards what it receives, at the clock's pace).
#pragma once

#include "platform/com/com_runtime.h"

namespace media {

HRESULT CreateSmartTee(IUnknown* outer, REFIID riid, void** object);
HRESULT CreateOverlayMixer(IUnknown* outer, REFIID riid, void** object);
HRESULT CreateNullRenderer(IUnknown* outer, REFIID riid, void** object);

}  // namespace media

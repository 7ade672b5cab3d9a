// The renderers: the video renderer draws BGRx frames into its owner window's video surface
// (IVideoWindow places the picture in the owner's client area); the audio renderer plays
// through autoaudiosink and, on a machine without any sound output, still runs, discarding
// the sound (it says so once on stderr); IBasicAudio sets volume and balance.
#pragma once

#include "platform/com/com_runtime.h"

namespace media {

HRESULT CreateVideoRenderer(IUnknown* outer, REFIID riid, void** object);
HRESULT CreateAudioRenderer(IUnknown* outer, REFIID riid, void** object);

}  // namespace media

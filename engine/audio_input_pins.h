// The inputs of the audio capture device: the input pins of the filter that owns the audio
// capture pin, in the filter's pin order, at most the number a device profile holds.
#pragma once

#include <vector>

#include "platform/com/unknown.h"
#include "platform/media/interfaces/audio_input_mixer.h"
#include "platform/media/interfaces/filters.h"

// One entry per input pin (index 0 first); null where the pin has no IAMAudioInputMixer.
std::vector<ComPtr<IAMAudioInputMixer>> AudioInputMixers(IPin* audioCapturePin);

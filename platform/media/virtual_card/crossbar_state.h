// A crossbar switch in memory: input and output pins with physical connector types, the
// routes between them, and which routes the hardware can make.
#pragma once

#include <string>
#include <vector>

#include "platform/com/types.h"
#include "platform/media/capture_constants.h"

namespace media {

struct CrossbarPin {
    PhysicalConnectorType type;
    LONG relatedPin;  // the pin of the other kind (audio for video, video for audio) that belongs with it; -1 none
};

class CrossbarState {
public:
    static constexpr LONG kNotRouted = -1;

    // Each output starts routed to the given input (or kNotRouted).
    CrossbarState(std::vector<CrossbarPin> inputs, std::vector<CrossbarPin> outputs, std::vector<LONG> initialRoutes);

    LONG OutputCount() const { return static_cast<LONG>(outputs_.size()); }
    LONG InputCount() const { return static_cast<LONG>(inputs_.size()); }

    // A video input reaches only video outputs and an audio input only audio outputs.
    // S_OK when the route can be made, S_FALSE when not, E_INVALIDARG for a bad index.
    HRESULT CanRoute(LONG output, LONG input) const;
    // kNotRouted as input disconnects the output. E_INVALIDARG when the route cannot be made;
    // the routing is unchanged then.
    HRESULT Route(LONG output, LONG input);
    HRESULT GetIsRoutedTo(LONG output, LONG* input) const;
    HRESULT GetPinInfo(bool isInput, LONG index, LONG* relatedPin, LONG* physicalType) const;

    // The first crossbar of the card: tuner, composite and S-Video pictures with their sound
    // into the video decoder and the audio decoder.
    static CrossbarState VideoCrossbar();
    // The second: TV sound (from the first crossbar), line and microphone into the audio
    // capture input.
    static CrossbarState AudioCrossbar();

private:
    bool ValidOutput(LONG output) const { return output >= 0 && output < OutputCount(); }
    bool ValidInput(LONG input) const { return input >= 0 && input < InputCount(); }

    std::vector<CrossbarPin> inputs_;
    std::vector<CrossbarPin> outputs_;
    std::vector<LONG> routes_;
};

bool IsAudioConnector(LONG physicalType);
// A short English name of a connector ("Tuner", "Composite", "S-Video", ...).
std::string ConnectorName(LONG physicalType);

}  // namespace media

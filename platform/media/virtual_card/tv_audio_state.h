// The virtual card's TV audio decoder: the current mode (mono or stereo, with one of the
// languages A, B, C, or A and B together) and the modes the card offers.
#pragma once

#include "platform/com/types.h"
#include "platform/media/capture_constants.h"

namespace media {

class TvAudioState {
public:
    static constexpr LONG kAvailableModes = AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_STEREO | AMTVAUDIO_MODE_LANG_A |
                                            AMTVAUDIO_MODE_LANG_B | AMTVAUDIO_MODE_LANG_C;

    // E_INVALIDARG for bits the card lacks, for mono and stereo together, for more than one
    // language (except A with B), or for no mode at all; the mode is unchanged then.
    HRESULT PutMode(LONG mode);
    LONG Mode() const { return mode_; }
    LONG AvailableModes() const { return kAvailableModes; }
    // Stereo is produced as two channels; mono (or one language of a bilingual programme)
    // as the same sound on both.
    bool IsStereo() const { return (mode_ & AMTVAUDIO_MODE_STEREO) != 0; }

private:
    LONG mode_ = AMTVAUDIO_MODE_STEREO | AMTVAUDIO_MODE_LANG_A;
};

}  // namespace media

#include "platform/media/virtual_card/tv_audio_state.h"
#include "platform/media/capture_constants.h"

#include <bit>

namespace media {

HRESULT TvAudioState::PutMode(LONG mode) {
    if (mode == 0 || (mode & ~kAvailableModes) != 0) return E_INVALIDARG;
    const auto bits = static_cast<unsigned>(mode);
    const unsigned channels = bits & (AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_STEREO);
    const unsigned languages = bits & (AMTVAUDIO_MODE_LANG_A | AMTVAUDIO_MODE_LANG_B | AMTVAUDIO_MODE_LANG_C);
    // A bilingual broadcast may be heard with both its languages (main and sub) at once.
    const bool mainAndSub = languages == (AMTVAUDIO_MODE_LANG_A | AMTVAUDIO_MODE_LANG_B);
    if (std::popcount(channels) > 1 || (std::popcount(languages) > 1 && !mainAndSub)) return E_INVALIDARG;
    mode_ = mode;
    return S_OK;
}

}  // namespace media

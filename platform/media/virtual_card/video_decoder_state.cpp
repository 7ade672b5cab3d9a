#include "platform/media/virtual_card/video_decoder_state.h"
#include "platform/media/capture_constants.h"

#include <bit>

namespace media {

HRESULT VideoDecoderState::PutTVFormat(LONG format) {
    if (std::popcount(static_cast<unsigned>(format)) != 1 || (format & ~kAvailableFormats) != 0) return E_INVALIDARG;
    format_ = format;
    return S_OK;
}

LONG VideoDecoderState::NumberOfLines() const {
    constexpr LONG kNtscFamily = AnalogVideo_NTSC_M | AnalogVideo_NTSC_M_J | AnalogVideo_NTSC_433 |
                                 AnalogVideo_PAL_M | AnalogVideo_PAL_60;
    return (format_ & kNtscFamily) != 0 ? 525 : 625;
}

}  // namespace media

// The virtual TV card's picture as gst-launch-1.0 arguments, for the benchmarks that compare the
// program with a plain pipeline doing the same work: scrolling colour bars in YUY2, the channel
// caption as the card draws it (outlined, with a shadow, never larger than on a 640-pixel-wide
// picture) and the picture controls. What an encoder or renderer does with a picture depends on
// the picture, so both sides must make the same one.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/media/virtual_card/card_formats.h"

namespace bench {

inline constexpr LONG kChannelOnePictureHz = 91'250'000;  // where a fresh configuration tunes the card

inline std::vector<std::string> CardPictureLaunchArgs(int width, int height, int frames) {
    const int points = std::max(8, 28 * std::min(width, 640) / 640);
    return {"videotestsrc", "is-live=true", "pattern=smpte", "horizontal-speed=4",
            "num-buffers=" + std::to_string(frames), "!",
            "video/x-raw,format=YUY2,width=" + std::to_string(width) + ",height=" + std::to_string(height) +
                ",framerate=30000/1001",
            "!", "textoverlay", "text=" + media::ChannelCaption(1, kChannelOnePictureHz), "draw-outline=true",
            "draw-shadow=true", "auto-resize=false", "font-desc=Sans Bold " + std::to_string(points),
            "valignment=top", "halignment=left", "!", "videobalance", "!", "gamma"};
}

}  // namespace bench

// Which video frames of an AVI stream are key frames when no index says so: every frame of a
// codec that codes each picture alone, the picture type of the bitstream where it is cheap to
// read (H.264 in start-code form, MPEG-4 Part 2), and otherwise only the first frame.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace qdmedia {

enum class KeyFrameRule { EveryFrame, H264Bitstream, Mpeg4Bitstream, FirstFrameOnly };

// The rule for a video stream of this strf biCompression and strh fccHandler.
KeyFrameRule KeyFrameRuleFor(std::uint32_t compression, std::uint32_t handler);

// How many leading bytes of a frame the bitstream rules read.
constexpr std::size_t kKeyFrameProbeBytes = 65536;

// Whether the frame starting with `bytes` is a key frame by the bitstream `rule`; nothing when
// the bytes do not say.
std::optional<bool> IsKeyFrame(KeyFrameRule rule, std::span<const std::uint8_t> bytes);

}  // namespace qdmedia

// The Windows Media profiles the ASF writer can be configured with: what each stream of a
// profile is encoded as. The system profiles are a fixed set of our own; others come from
// ".prx" profile files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace media {

struct WmVideoStream {
    int bitrate = 0;  // bits per second
    int width = 0;
    int height = 0;
    int fpsNumerator = 0;
    int fpsDenominator = 1;
};

struct WmAudioStream {
    int bitrate = 0;  // bits per second
    int sampleRate = 0;
    int channels = 0;
};

struct WmProfileSettings {
    std::u16string name;
    std::u16string description;
    std::optional<WmAudioStream> audio;
    std::optional<WmVideoStream> video;
};

// The system profiles, in the order the profile manager hands them out.
const std::vector<WmProfileSettings>& SystemWmProfiles();

// Streams the encoders can produce: sizes even and within 16..4096, rates and bit rates
// positive, 1 or 2 audio channels at 8..96 kHz.
bool IsUsable(const WmProfileSettings& profile);

// A profile from the XML text of a ".prx" file (the <profile> element with its name, and
// one <streamconfig> per stream whose media type carries a <waveformatex> or a
// <videoinfoheader> with its <bitmapinfoheader>); nothing for text that is not such a file or
// describes a stream the writer cannot encode.
std::optional<WmProfileSettings> ParsePrxProfile(std::string_view xml);

}  // namespace media

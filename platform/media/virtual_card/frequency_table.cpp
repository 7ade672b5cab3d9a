// Channel plans (general broadcasting knowledge; both systems use 6 MHz channels and put the
// sound carrier 4.5 MHz above the picture carrier):
//   Japan, broadcast: VHF 1-3 from 91.25 MHz, VHF 4-7 from 171.25 MHz, VHF 8-12 from
//     193.25 MHz (channel 8 overlaps channel 7 by 2 MHz), UHF 13-62 from 471.25 MHz.
//   Japan, cable: 1-12 as broadcast, C13-C22 from 109.25 MHz, C23-C63 from 223.25 MHz.
//   United States, broadcast: 2-4 from 55.25 MHz, 5-6 from 77.25 MHz, 7-13 from 175.25 MHz,
//     UHF 14-69 from 471.25 MHz.
//   United States, cable (standard plan): 1 at 73.25 MHz, 2-13 as broadcast, 14-22 from
//     121.25 MHz, 23-94 from 217.25 MHz, 95-99 from 91.25 MHz, 100-125 from 649.25 MHz.
#include "platform/media/virtual_card/frequency_table.h"
#include "platform/media/capture_constants.h"

#include <span>

namespace media {
namespace {

constexpr LONG kMHz = 1'000'000;
constexpr LONG kChannelWidth = 6 * kMHz;
constexpr LONG kSoundOffset = 4'500'000;

// A run of consecutive channels 6 MHz apart.
struct Band {
    LONG first;
    LONG last;
    LONG firstPictureHz;
};

constexpr Band kJapanBroadcast[] = {
    {1, 3, 91'250'000}, {4, 7, 171'250'000}, {8, 12, 193'250'000}, {13, 62, 471'250'000}};
constexpr Band kJapanCable[] = {
    {1, 3, 91'250'000}, {4, 7, 171'250'000}, {8, 12, 193'250'000},
    {13, 22, 109'250'000}, {23, 63, 223'250'000}};
constexpr Band kUsBroadcast[] = {
    {2, 4, 55'250'000}, {5, 6, 77'250'000}, {7, 13, 175'250'000}, {14, 69, 471'250'000}};
constexpr Band kUsCable[] = {
    {1, 1, 73'250'000}, {2, 4, 55'250'000}, {5, 6, 77'250'000}, {7, 13, 175'250'000},
    {14, 22, 121'250'000}, {23, 94, 217'250'000}, {95, 99, 91'250'000}, {100, 125, 649'250'000}};

constexpr LONG kJapan = 81;
constexpr LONG kUnitedStates = 1;

std::span<const Band> BandsFor(LONG countryCode, TunerInputType input) {
    const bool cable = input == TunerInputCable;
    if (countryCode == kJapan) return cable ? std::span<const Band>(kJapanCable) : std::span<const Band>(kJapanBroadcast);
    if (countryCode == kUnitedStates) return cable ? std::span<const Band>(kUsCable) : std::span<const Band>(kUsBroadcast);
    return {};
}

}  // namespace

bool HasFrequencyTable(LONG countryCode) { return countryCode == kJapan || countryCode == kUnitedStates; }

std::optional<ChannelRange> ChannelRangeFor(LONG countryCode, TunerInputType input) {
    const auto bands = BandsFor(countryCode, input);
    if (bands.empty()) return std::nullopt;
    ChannelRange range{bands.front().first, bands.front().last};
    for (const Band& b : bands) {
        if (b.first < range.min) range.min = b.first;
        if (b.last > range.max) range.max = b.last;
    }
    return range;
}

std::optional<ChannelFrequencies> FrequenciesFor(LONG countryCode, TunerInputType input, LONG channel) {
    for (const Band& b : BandsFor(countryCode, input)) {
        if (channel < b.first || channel > b.last) continue;
        const LONG picture = b.firstPictureHz + (channel - b.first) * kChannelWidth;
        return ChannelFrequencies{picture, picture + kSoundOffset};
    }
    return std::nullopt;
}

}  // namespace media

// Channel plans (general broadcasting knowledge):
//   Japan (6 MHz channels, sound 4.5 MHz above the picture), broadcast: VHF 1-3 from
//     91.25 MHz, VHF 4-7 from 171.25 MHz, VHF 8-12 from 193.25 MHz (channel 8 overlaps
//     channel 7 by 2 MHz), UHF 13-62 from 471.25 MHz. Cable: 1-12 as broadcast, C13-C22 from
//     109.25 MHz, C23-C63 from 223.25 MHz.
//   United States (6 MHz channels, sound 4.5 MHz above), broadcast: 2-4 from 55.25 MHz, 5-6
//     from 77.25 MHz, 7-13 from 175.25 MHz, UHF 14-69 from 471.25 MHz. Cable (standard
//     plan): 1 at 73.25 MHz, 2-13 as broadcast, 14-22 from 121.25 MHz, 23-94 from
//     217.25 MHz, 95-99 from 91.25 MHz, 100-125 from 649.25 MHz.
//   Western Europe, CCIR PAL B/G (sound 5.5 MHz above): E2-E4 from 48.25 MHz and E5-E12 from
//     175.25 MHz, 7 MHz apart; E21-E69 from 471.25 MHz, 8 MHz apart. Cable adds S1-S10 from
//     105.25 MHz and S11-S20 from 231.25 MHz (7 MHz apart) and the hyperband S21-S41 from
//     303.25 MHz (8 MHz apart).
#include "platform/media/tuning/frequency_table.h"

#include <algorithm>
#include <span>

namespace media {
namespace {

constexpr LONG kMHz = 1'000'000;

// A run of consecutive channels at a fixed spacing.
struct Band {
    LONG first;
    LONG last;
    LONG firstPictureHz;
    LONG spacingHz;
};

constexpr Band kJapanBroadcast[] = {{1, 3, 91'250'000, 6 * kMHz},
                                    {4, 7, 171'250'000, 6 * kMHz},
                                    {8, 12, 193'250'000, 6 * kMHz},
                                    {13, 62, 471'250'000, 6 * kMHz}};
constexpr Band kJapanCable[] = {{1, 3, 91'250'000, 6 * kMHz},    {4, 7, 171'250'000, 6 * kMHz},
                                {8, 12, 193'250'000, 6 * kMHz},  {13, 22, 109'250'000, 6 * kMHz},
                                {23, 63, 223'250'000, 6 * kMHz}};
constexpr Band kUsBroadcast[] = {{2, 4, 55'250'000, 6 * kMHz},
                                 {5, 6, 77'250'000, 6 * kMHz},
                                 {7, 13, 175'250'000, 6 * kMHz},
                                 {14, 69, 471'250'000, 6 * kMHz}};
constexpr Band kUsCable[] = {{1, 1, 73'250'000, 6 * kMHz},     {2, 4, 55'250'000, 6 * kMHz},
                             {5, 6, 77'250'000, 6 * kMHz},     {7, 13, 175'250'000, 6 * kMHz},
                             {14, 22, 121'250'000, 6 * kMHz},  {23, 94, 217'250'000, 6 * kMHz},
                             {95, 99, 91'250'000, 6 * kMHz},   {100, 125, 649'250'000, 6 * kMHz}};
constexpr Band kCcirBroadcast[] = {{2, 4, 48'250'000, 7 * kMHz},
                                   {5, 12, 175'250'000, 7 * kMHz},
                                   {21, 69, 471'250'000, 8 * kMHz}};
// The special channels S1-S41 are numbered 101-141.
constexpr LONG kSpecialChannelBase = 100;
constexpr Band kCcirCable[] = {{2, 4, 48'250'000, 7 * kMHz},
                               {5, 12, 175'250'000, 7 * kMHz},
                               {21, 69, 471'250'000, 8 * kMHz},
                               {kSpecialChannelBase + 1, kSpecialChannelBase + 10, 105'250'000, 7 * kMHz},
                               {kSpecialChannelBase + 11, kSpecialChannelBase + 20, 231'250'000, 7 * kMHz},
                               {kSpecialChannelBase + 21, kSpecialChannelBase + 41, 303'250'000, 8 * kMHz}};

struct Plan {
    std::span<const Band> broadcast;
    std::span<const Band> cable;
    LONG soundOffsetHz;
    LONG standard;
};

constexpr Plan kJapan{kJapanBroadcast, kJapanCable, 4'500'000, AnalogVideo_NTSC_M_J};
constexpr Plan kUnitedStates{kUsBroadcast, kUsCable, 4'500'000, AnalogVideo_NTSC_M};
constexpr Plan kCcir{kCcirBroadcast, kCcirCable, 5'500'000, AnalogVideo_PAL_B};

constexpr LONG kCcirCountries[] = {31, 32, 34, 41, 43, 45, 46, 47, 49, 351, 358};

const Plan* PlanFor(LONG countryCode) {
    if (countryCode == 81) return &kJapan;
    if (countryCode == 1) return &kUnitedStates;
    if (std::find(std::begin(kCcirCountries), std::end(kCcirCountries), countryCode) != std::end(kCcirCountries))
        return &kCcir;
    return nullptr;
}

std::span<const Band> BandsFor(const Plan& plan, TunerInputType input) {
    return input == TunerInputCable ? plan.cable : plan.broadcast;
}

}  // namespace

bool HasFrequencyTable(LONG countryCode) { return PlanFor(countryCode) != nullptr; }

std::optional<ChannelRange> ChannelRangeFor(LONG countryCode, TunerInputType input) {
    const Plan* plan = PlanFor(countryCode);
    if (!plan) return std::nullopt;
    const auto bands = BandsFor(*plan, input);
    ChannelRange range{bands.front().first, bands.front().last};
    for (const Band& b : bands) {
        range.min = std::min(range.min, b.first);
        range.max = std::max(range.max, b.last);
    }
    return range;
}

std::optional<ChannelFrequencies> FrequenciesFor(LONG countryCode, TunerInputType input, LONG channel) {
    const Plan* plan = PlanFor(countryCode);
    if (!plan) return std::nullopt;
    for (const Band& b : BandsFor(*plan, input)) {
        if (channel < b.first || channel > b.last) continue;
        const LONG picture = b.firstPictureHz + (channel - b.first) * b.spacingHz;
        return ChannelFrequencies{picture, picture + plan->soundOffsetHz};
    }
    return std::nullopt;
}

LONG SoundCarrierOffset(LONG countryCode) {
    const Plan* plan = PlanFor(countryCode);
    return plan ? plan->soundOffsetHz : 0;
}

LONG VideoStandardFor(LONG countryCode) {
    const Plan* plan = PlanFor(countryCode);
    return plan ? plan->standard : 0;
}

}  // namespace media

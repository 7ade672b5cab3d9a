// The TV audio lists' mapping between a stored mode and the items chosen.
#include <gtest/gtest.h>

#include "engine/tv_audio_choice.h"

namespace {

struct ShownCase {
    DWORD mode;
    int sound;
    int language;
};
class TvAudioShownTest : public testing::TestWithParam<ShownCase> {};

TEST_P(TvAudioShownTest, ModeShowsItsItems) {
    EXPECT_EQ(SoundChoiceOf(GetParam().mode), GetParam().sound);
    EXPECT_EQ(LanguageChoiceOf(GetParam().mode), GetParam().language);
}

INSTANTIATE_TEST_SUITE_P(Modes, TvAudioShownTest,
                         testing::Values(ShownCase{0x00, 0, 0}, ShownCase{0x01, 1, 0}, ShownCase{0x02, 2, 0},
                                         ShownCase{0x03, 1, 0},  // mono wins
                                         ShownCase{0x11, 1, 1}, ShownCase{0x22, 2, 2}, ShownCase{0x41, 1, 3},
                                         ShownCase{0x32, 2, 4}, ShownCase{0x52, 2, 3},  // C with another
                                         ShownCase{0x84, 0, 0}));

struct ChoiceCase {
    DWORD before;
    int item;
    DWORD after;
};
class SoundChoiceTest : public testing::TestWithParam<ChoiceCase> {};
class LanguageChoiceTest : public testing::TestWithParam<ChoiceCase> {};

TEST_P(SoundChoiceTest, KeepsTheStoredBitsAndSetsMonoOrStereo) {
    EXPECT_EQ(ChooseSound(GetParam().before, GetParam().item), GetParam().after);
}
TEST_P(LanguageChoiceTest, ReplacesTheLanguageBits) {
    EXPECT_EQ(ChooseLanguage(GetParam().before, GetParam().item), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Items, SoundChoiceTest,
                         testing::Values(ChoiceCase{0x12, 1, 0x11}, ChoiceCase{0x11, 2, 0x12}, ChoiceCase{0x13, 0, 0x10},
                                         ChoiceCase{0x0184, 2, 0x02},  // bits a profile does not keep go
                                         ChoiceCase{0x21, 7, 0x20}));
INSTANTIATE_TEST_SUITE_P(Items, LanguageChoiceTest,
                         testing::Values(ChoiceCase{0x02, 1, 0x12}, ChoiceCase{0x12, 2, 0x22}, ChoiceCase{0x22, 3, 0x42},
                                         ChoiceCase{0x41, 4, 0x31}, ChoiceCase{0x71, 0, 0x01},
                                         ChoiceCase{0x0102, 1, 0x0112}, ChoiceCase{0x32, -1, 0x02}));

}  // namespace

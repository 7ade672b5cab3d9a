// The two lists through which a user chooses the TV audio mode (the TV bar, the reservation
// editor): one for mono or stereo, one for the language. Item 0 of each is the empty item.
#pragma once

#include "platform/com/types.h"

// "", "モノラル", "ステレオ"
inline constexpr int kSoundChoiceItems = 3;
// "", "主多言語", "副多言語", "第３言語", "主 + 副"
inline constexpr int kLanguageChoiceItems = 5;

// The items that show `mode`: mono before stereo; language A alone, B alone, C, or A with B.
int SoundChoiceOf(DWORD mode);
int LanguageChoiceOf(DWORD mode);

// The mode after choosing `item` (items outside the list count as the empty item): the sound
// choice keeps only the bits a profile stores, then sets mono or stereo; the language choice
// replaces the language bits.
DWORD ChooseSound(DWORD mode, int item);
DWORD ChooseLanguage(DWORD mode, int item);

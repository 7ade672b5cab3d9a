#include "engine/tv_audio_choice.h"

#include "platform/media/capture_constants.h"

namespace {

constexpr DWORD kMono = AMTVAUDIO_MODE_MONO;
constexpr DWORD kStereo = AMTVAUDIO_MODE_STEREO;
constexpr DWORD kLangA = AMTVAUDIO_MODE_LANG_A;
constexpr DWORD kLangB = AMTVAUDIO_MODE_LANG_B;
constexpr DWORD kLangC = AMTVAUDIO_MODE_LANG_C;
constexpr DWORD kLanguages = kLangA | kLangB | kLangC;
constexpr DWORD kStoredModes = kMono | kStereo | kLanguages;

}  // namespace

int SoundChoiceOf(DWORD mode) {
    if (mode & kMono) return 1;
    if (mode & kStereo) return 2;
    return 0;
}

int LanguageChoiceOf(DWORD mode) {
    const DWORD languages = mode & kLanguages;
    if (languages == kLangA) return 1;
    if (languages == kLangB) return 2;
    if (languages & kLangC) return 3;
    if (languages == (kLangA | kLangB)) return 4;
    return 0;
}

DWORD ChooseSound(DWORD mode, int item) {
    mode &= kStoredModes & ~(kMono | kStereo);
    if (item == 1) mode |= kMono;
    if (item == 2) mode |= kStereo;
    return mode;
}

DWORD ChooseLanguage(DWORD mode, int item) {
    constexpr DWORD kItemBits[kLanguageChoiceItems] = {0, kLangA, kLangB, kLangC, kLangA | kLangB};
    mode &= ~kLanguages;
    if (item > 0 && item < kLanguageChoiceItems) mode |= kItemBits[item];
    return mode;
}

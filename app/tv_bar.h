// The TV bar: the channels of the current channel profile and the two TV audio lists (mono
// or stereo, the language). Choosing an item changes the current device profile and tunes
// the session's tuner or sets its TV audio at once.
#pragma once

#include <QDockWidget>

#include "platform/com/types.h"

class CCaptureEngine;
class QComboBox;

class CTvBar : public QDockWidget {
    Q_OBJECT

public:
    CTvBar(QWidget* parent, CCaptureEngine& engine);

    // Fills the lists from the store's current channel profile and device profile.
    void Refill();
    QComboBox* ChannelList() const { return channels_; }
    QComboBox* SoundList() const { return sound_; }
    QComboBox* LanguageList() const { return language_; }

private:
    void ChooseChannel(int row);
    void ChooseSound(int row);
    void ChooseLanguage(int row);
    // Sets the TV audio to `mode`; the profile keeps its old mode when the device refuses.
    void PutTvAudioMode(DWORD mode);
    void ShowTvAudioMode();

    CCaptureEngine& engine_;
    QComboBox* channels_;
    QComboBox* sound_;
    QComboBox* language_;
    bool refilling_ = false;
};

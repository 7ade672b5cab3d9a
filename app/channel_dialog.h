// The channel dialog ("チャンネルの設定"): the channel profiles with their entries, edited on
// copies that replace the store's list only on OK; tuning to an entry; and the auto-tune
// table's frequency for the tuner's current channel, which applies and retunes at once.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/tuner_frequency.h"
#include "platform/com/unknown.h"
#include "profiles/profile_store.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

class CChannelDialog : public QDialog {
    Q_OBJECT

public:
    // `tuner` may be null (no tuner in the session): the frequency controls stay disabled.
    // `report` receives a failed call's result and label.
    using FailureReport = std::function<void(HRESULT hr, const char* label)>;
    CChannelDialog(CProfileStore& store, IAMTVTuner* tuner, FailureReport report, QWidget* parent = nullptr);
    ~CChannelDialog() override;

    // Replaces the message boxes (tests collect the texts).
    void SetMessageHandler(std::function<void(const QString&)> handler) { messageHandler_ = std::move(handler); }

    // What the dialog works on, for tests: the copies and the chosen one (-1: none).
    const std::vector<std::unique_ptr<CChannelProfile>>& Copies() const { return copies_; }
    int ChosenProfile() const { return chosen_; }
    // Chooses profile `index` as the user does in the profile-name list.
    void ChooseProfile(int index);

    void accept() override;

private:
    void BuildControls();
    QWidget* BuildEntryControls();
    QWidget* BuildFrequencyControls();

    CChannelProfile& Editing();
    void FillProfileNames();
    void FillEntries(int current);
    std::vector<int> SelectedRows() const;
    int CurrentRow() const;
    void ShowEntryInBoxes(int row);
    bool EntryFromBoxes(CChannelEntry* entry);
    bool NameFromBox(std::string* name);

    void AddEntry();
    void ReplaceEntry();
    void DeleteEntries();
    void MoveEntry(int step);
    void TuneToEntry();
    void AddProfile();
    void ReplaceProfile();
    void DeleteProfile();

    void ReadFrequency();
    void ShowFrequency(const TunerFrequency& frequency);
    void ApplyFrequency();

    void Message(const QString& text);

    CProfileStore& store_;
    ComPtr<IAMTVTuner> tuner_;
    FailureReport report_;
    std::function<void(const QString&)> messageHandler_;

    std::vector<std::unique_ptr<CChannelProfile>> copies_;
    std::vector<CChannelProfile*> origins_;  // the store's profile each copy came from, or null
    int chosen_ = -1;
    CChannelProfile scratch_;  // the entries edited while no profile is chosen
    std::string stationBytes_;  // the station name shown in the box, as stored

    QComboBox* profileName_ = nullptr;
    QTreeWidget* entries_ = nullptr;
    QSpinBox* receiveNumber_ = nullptr;
    QSpinBox* displayNumber_ = nullptr;
    QLineEdit* stationName_ = nullptr;
    QLabel* frequencyText_ = nullptr;
    QCheckBox* overrideCheck_ = nullptr;
    QSpinBox* overrideHz_ = nullptr;
    QPushButton* applyFrequency_ = nullptr;
};

#include "app/channel_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "platform/system/codepage.h"

namespace {

constexpr int kHighestChannelNumber = 200;
constexpr int kFrequencyStepHz = 10000;
const char* const kSelectableMark = "　◎　";
const char* const kInvalidPointer = "ポインタが無効です";
const char* const kUnstorableText = "コードページ 932 で表せない文字は使えません";

enum Column { kSelectableColumn, kReceiveColumn, kDisplayColumn, kStationColumn };

QString Display(const std::string& cp932) { return QString::fromStdString(Cp932ToDisplay(cp932)); }

// The box's text as stored bytes: the original bytes while the text is unchanged, else the
// text in code page 932 (nothing when it cannot be written so).
std::optional<std::string> StoredText(const QString& text, const std::string& original) {
    if (text == Display(original)) return original;
    return Utf8ToCp932(text.toStdString());
}

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QSpinBox* NumberBox(const char* name, int maximum, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, maximum);
    return box;
}

}  // namespace

CChannelDialog::CChannelDialog(CProfileStore& store, IAMTVTuner* tuner, FailureReport report, QWidget* parent)
    : QDialog(parent), store_(store), tuner_(tuner), report_(std::move(report)) {
    setObjectName(QStringLiteral("ChannelDialog"));
    setWindowTitle(QString::fromUtf8("チャンネルの設定"));
    for (const auto& profile : store_.ChannelProfiles) {
        auto copy = std::make_unique<CChannelProfile>();
        copy->Copy(*profile);
        copies_.push_back(std::move(copy));
        origins_.push_back(profile.get());
        if (profile.get() == store_.CurrentChannel) chosen_ = static_cast<int>(copies_.size()) - 1;
    }
    if (chosen_ < 0 && !copies_.empty()) chosen_ = 0;
    BuildControls();
    FillProfileNames();
    FillEntries(-1);
    ReadFrequency();
}

CChannelDialog::~CChannelDialog() = default;

void CChannelDialog::BuildControls() {
    auto* layout = new QVBoxLayout(this);

    auto* profileRow = new QHBoxLayout;
    profileRow->addWidget(new QLabel(QString::fromUtf8("プロファイル名"), this));
    profileName_ = new QComboBox(this);
    profileName_->setObjectName(QStringLiteral("ProfileName"));
    profileName_->setEditable(true);
    profileName_->setInsertPolicy(QComboBox::NoInsert);
    profileName_->setMinimumContentsLength(20);
    profileRow->addWidget(profileName_, 1);
    QPushButton* addProfile = Button("追加", "ProfileAdd", this);
    QPushButton* replaceProfile = Button("置換", "ProfileReplace", this);
    QPushButton* deleteProfile = Button("削除", "ProfileDelete", this);
    profileRow->addWidget(addProfile);
    profileRow->addWidget(replaceProfile);
    profileRow->addWidget(deleteProfile);
    layout->addLayout(profileRow);
    connect(profileName_, &QComboBox::activated, this, [this](int row) {
        bool ok = false;
        const int index = profileName_->itemData(row).toInt(&ok);
        ChooseProfile(ok ? index : -1);
    });
    connect(addProfile, &QPushButton::clicked, this, &CChannelDialog::AddProfile);
    connect(replaceProfile, &QPushButton::clicked, this, &CChannelDialog::ReplaceProfile);
    connect(deleteProfile, &QPushButton::clicked, this, &CChannelDialog::DeleteProfile);

    layout->addWidget(BuildEntryControls(), 1);
    layout->addWidget(BuildFrequencyControls());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QWidget* CChannelDialog::BuildEntryControls() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    entries_ = new QTreeWidget(box);
    entries_->setObjectName(QStringLiteral("EntryList"));
    entries_->setRootIsDecorated(false);
    entries_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    entries_->setHeaderLabels({QString::fromUtf8("選局"), QString::fromUtf8("受信番号"), QString::fromUtf8("表示番号"),
                               QString::fromUtf8("局名")});
    entries_->header()->setStretchLastSection(true);
    entries_->setMinimumSize(360, 220);
    row->addWidget(entries_, 1);
    entries_->setColumnWidth(kSelectableColumn, 48);
    entries_->setColumnWidth(kReceiveColumn, 72);
    entries_->setColumnWidth(kDisplayColumn, 72);
    // The boxes follow the entry the user picks (the current one once it is selected).
    connect(entries_, &QTreeWidget::itemSelectionChanged, this, [this] { ShowEntryInBoxes(CurrentRow()); });

    auto* side = new QVBoxLayout;
    auto* form = new QFormLayout;
    receiveNumber_ = NumberBox("ReceiveNumber", kHighestChannelNumber, box);
    displayNumber_ = NumberBox("DisplayNumber", kHighestChannelNumber, box);
    stationName_ = new QLineEdit(box);
    stationName_->setObjectName(QStringLiteral("StationName"));
    form->addRow(QString::fromUtf8("受信番号"), receiveNumber_);
    form->addRow(QString::fromUtf8("表示番号"), displayNumber_);
    form->addRow(QString::fromUtf8("局名"), stationName_);
    side->addLayout(form);
    auto* buttons = new QGridLayout;
    QPushButton* add = Button("追加", "EntryAdd", box);
    QPushButton* replace = Button("置換", "EntryReplace", box);
    QPushButton* remove = Button("削除", "EntryDelete", box);
    QPushButton* up = Button("▲", "EntryUp", box);
    QPushButton* down = Button("▼", "EntryDown", box);
    QPushButton* tune = Button("選局", "Tune", box);
    buttons->addWidget(add, 0, 0);
    buttons->addWidget(replace, 0, 1);
    buttons->addWidget(remove, 1, 0);
    buttons->addWidget(tune, 1, 1);
    buttons->addWidget(up, 2, 0);
    buttons->addWidget(down, 2, 1);
    side->addLayout(buttons);
    side->addStretch(1);
    row->addLayout(side);
    tune->setEnabled(static_cast<bool>(tuner_));
    connect(add, &QPushButton::clicked, this, &CChannelDialog::AddEntry);
    connect(replace, &QPushButton::clicked, this, &CChannelDialog::ReplaceEntry);
    connect(remove, &QPushButton::clicked, this, &CChannelDialog::DeleteEntries);
    connect(up, &QPushButton::clicked, this, [this] { MoveEntry(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveEntry(1); });
    connect(tune, &QPushButton::clicked, this, &CChannelDialog::TuneToEntry);
    return box;
}

QWidget* CChannelDialog::BuildFrequencyControls() {
    auto* group = new QGroupBox(QString::fromUtf8("現在のチャンネルの周波数"), this);
    group->setObjectName(QStringLiteral("FrequencyGroup"));
    auto* layout = new QHBoxLayout(group);
    frequencyText_ = new QLabel(group);
    frequencyText_->setObjectName(QStringLiteral("FrequencyText"));
    frequencyText_->setMinimumWidth(frequencyText_->fontMetrics().horizontalAdvance(
        QStringLiteral("Video : 2147483647  Audio : 2147483647")));
    overrideCheck_ = new QCheckBox(QString::fromUtf8("周波数："), group);
    overrideCheck_->setObjectName(QStringLiteral("FrequencyOverride"));
    overrideHz_ = new QSpinBox(group);
    overrideHz_->setObjectName(QStringLiteral("FrequencyHz"));
    overrideHz_->setRange(0, std::numeric_limits<int>::max());
    overrideHz_->setSingleStep(kFrequencyStepHz);
    overrideHz_->setAccelerated(true);
    overrideHz_->setSuffix(QStringLiteral(" Hz"));
    applyFrequency_ = Button("適用", "FrequencyApply", group);
    layout->addWidget(frequencyText_, 1);
    layout->addWidget(overrideCheck_);
    layout->addWidget(overrideHz_);
    layout->addWidget(applyFrequency_);
    connect(applyFrequency_, &QPushButton::clicked, this, &CChannelDialog::ApplyFrequency);
    group->setEnabled(static_cast<bool>(tuner_));
    return group;
}

CChannelProfile& CChannelDialog::Editing() {
    return chosen_ >= 0 ? *copies_[static_cast<std::size_t>(chosen_)] : scratch_;
}

void CChannelDialog::FillProfileNames() {
    const QSignalBlocker block(profileName_);
    profileName_->clear();
    for (std::size_t i = 0; i < copies_.size(); ++i) profileName_->addItem(Display(copies_[i]->Name), static_cast<int>(i));
    profileName_->setCurrentIndex(chosen_);
    if (chosen_ < 0) profileName_->setEditText(QString());
}

void CChannelDialog::FillEntries(int current) {
    const QSignalBlocker block(entries_);
    entries_->clear();
    const auto& list = Editing().Entries;
    for (const CChannelEntry& entry : list) {
        auto* item = new QTreeWidgetItem(entries_);
        item->setText(kSelectableColumn, entry.Selectable ? QString::fromUtf8(kSelectableMark) : QString());
        item->setText(kReceiveColumn, QString::number(entry.ReceiveNumber));
        item->setText(kDisplayColumn, QString::number(entry.DisplayNumber));
        item->setText(kStationColumn, Display(entry.StationName));
        if (entry.Marked) {
            QFont bold = item->font(kStationColumn);
            bold.setBold(true);
            for (int c = kSelectableColumn; c <= kStationColumn; ++c) {
                item->setFont(c, bold);
                item->setBackground(c, palette().alternateBase());
            }
        }
    }
    if (current >= 0 && current < static_cast<int>(list.size())) {
        QTreeWidgetItem* item = entries_->topLevelItem(current);
        entries_->setCurrentItem(item);
        item->setSelected(true);
    }
}

std::vector<int> CChannelDialog::SelectedRows() const {
    std::vector<int> rows;
    for (QTreeWidgetItem* item : entries_->selectedItems()) rows.push_back(entries_->indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CChannelDialog::CurrentRow() const {
    QTreeWidgetItem* item = entries_->currentItem();
    return item && item->isSelected() ? entries_->indexOfTopLevelItem(item) : -1;
}

void CChannelDialog::ShowEntryInBoxes(int row) {
    const auto& list = Editing().Entries;
    if (row < 0 || row >= static_cast<int>(list.size())) return;
    const CChannelEntry& entry = list[static_cast<std::size_t>(row)];
    receiveNumber_->setValue(static_cast<int>(std::min<DWORD>(entry.ReceiveNumber, kHighestChannelNumber)));
    displayNumber_->setValue(static_cast<int>(std::min<DWORD>(entry.DisplayNumber, kHighestChannelNumber)));
    stationBytes_ = entry.StationName;
    stationName_->setText(Display(entry.StationName));
}

bool CChannelDialog::EntryFromBoxes(CChannelEntry* entry) {
    const std::optional<std::string> name = StoredText(stationName_->text(), stationBytes_);
    if (!name) {
        Message(QString::fromUtf8(kUnstorableText));
        return false;
    }
    entry->ReceiveNumber = static_cast<DWORD>(receiveNumber_->value());
    entry->DisplayNumber = static_cast<DWORD>(displayNumber_->value());
    entry->StationName = *name;
    entry->Selectable = 1;
    entry->Marked = 1;
    return true;
}

bool CChannelDialog::NameFromBox(std::string* name) {
    const std::string original = chosen_ >= 0 ? copies_[static_cast<std::size_t>(chosen_)]->Name : std::string();
    const std::optional<std::string> stored = StoredText(profileName_->currentText(), original);
    if (!stored) {
        Message(QString::fromUtf8(kUnstorableText));
        return false;
    }
    *name = *stored;
    return true;
}

void CChannelDialog::AddEntry() {
    CChannelEntry entry;
    if (!EntryFromBoxes(&entry)) return;
    auto& list = Editing().Entries;
    list.push_back(std::move(entry));
    FillEntries(static_cast<int>(list.size()) - 1);
}

void CChannelDialog::ReplaceEntry() {
    const int row = CurrentRow();
    if (row < 0) return;
    CChannelEntry entry;
    if (!EntryFromBoxes(&entry)) return;
    Editing().Entries[static_cast<std::size_t>(row)] = std::move(entry);
    FillEntries(row);
}

void CChannelDialog::DeleteEntries() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    auto& list = Editing().Entries;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) list.erase(list.begin() + *it);
    FillEntries(std::min(rows.front(), static_cast<int>(list.size()) - 1));
}

void CChannelDialog::MoveEntry(int step) {
    const int row = CurrentRow();
    auto& list = Editing().Entries;
    const int target = row + step;
    if (row < 0 || target < 0 || target >= static_cast<int>(list.size())) return;
    std::swap(list[static_cast<std::size_t>(row)], list[static_cast<std::size_t>(target)]);
    FillEntries(target);
}

// Tunes to the entry's receive number, keeping the tuner's sub-channels.
void CChannelDialog::TuneToEntry() {
    const int row = CurrentRow();
    if (!tuner_ || row < 0) return;
    const CChannelEntry& entry = Editing().Entries[static_cast<std::size_t>(row)];
    LONG channel = 0, videoSub = AMTUNER_SUBCHAN_DEFAULT, audioSub = AMTUNER_SUBCHAN_DEFAULT;
    tuner_->get_Channel(&channel, &videoSub, &audioSub);
    const HRESULT hr = tuner_->put_Channel(static_cast<LONG>(entry.ReceiveNumber), videoSub, audioSub);
    if (FAILED(hr) && report_) report_(hr, "IAMTuner put_Channel");
    ReadFrequency();
}

void CChannelDialog::ChooseProfile(int index) {
    if (index < 0 || index >= static_cast<int>(copies_.size())) {
        Message(QString::fromUtf8(kInvalidPointer));
        return;
    }
    chosen_ = index;
    FillProfileNames();
    FillEntries(-1);
}

// A new profile under the box's name with the entries shown.
void CChannelDialog::AddProfile() {
    std::string name;
    if (!NameFromBox(&name)) return;
    auto profile = std::make_unique<CChannelProfile>();
    profile->Name = name;
    profile->Entries = Editing().Entries;
    copies_.push_back(std::move(profile));
    origins_.push_back(nullptr);
    scratch_.Entries.clear();
    chosen_ = static_cast<int>(copies_.size()) - 1;
    FillProfileNames();
    FillEntries(-1);
}

// The chosen profile takes the box's name (its entries are the ones shown).
void CChannelDialog::ReplaceProfile() {
    if (chosen_ < 0) {
        Message(QString::fromUtf8(kInvalidPointer));
        return;
    }
    std::string name;
    if (!NameFromBox(&name)) return;
    copies_[static_cast<std::size_t>(chosen_)]->Name = name;
    FillProfileNames();
}

void CChannelDialog::DeleteProfile() {
    if (chosen_ < 0) {
        Message(QString::fromUtf8(kInvalidPointer));
        return;
    }
    copies_.erase(copies_.begin() + chosen_);
    origins_.erase(origins_.begin() + chosen_);
    chosen_ = std::min(chosen_, static_cast<int>(copies_.size()) - 1);
    FillProfileNames();
    FillEntries(-1);
}

void CChannelDialog::ReadFrequency() {
    if (!tuner_) return;
    TunerFrequency frequency;
    if (FAILED(ReadTunerFrequency(tuner_.Get(), &frequency))) {
        frequencyText_->clear();
        return;
    }
    ShowFrequency(frequency);
}

void CChannelDialog::ShowFrequency(const TunerFrequency& frequency) {
    frequencyText_->setText(QString::fromStdString(TunerFrequencyText(frequency)));
    overrideCheck_->setChecked(frequency.overridden);
    const DWORD shown = frequency.overridden ? frequency.overrideHz : static_cast<DWORD>(std::max<LONG>(frequency.videoHz, 0));
    overrideHz_->setValue(static_cast<int>(std::min<DWORD>(shown, std::numeric_limits<int>::max())));
}

void CChannelDialog::ApplyFrequency() {
    if (!tuner_) return;
    TunerFrequency frequency;
    const char* failedCall = nullptr;
    const HRESULT hr = ApplyTunerFrequencyOverride(tuner_.Get(), overrideCheck_->isChecked(),
                                                   static_cast<DWORD>(overrideHz_->value()), &frequency, &failedCall);
    if (FAILED(hr)) {
        if (report_) report_(hr, failedCall ? failedCall : "IAMTVTuner");
        ReadFrequency();
        return;
    }
    ShowFrequency(frequency);
}

// The copies become the store's channel profiles: a profile that came from the store keeps
// its object (so pointers to it stay good), new ones are added, deleted ones go.
void CChannelDialog::accept() {
    ProfileList<CChannelProfile> result;
    for (std::size_t i = 0; i < copies_.size(); ++i) {
        std::unique_ptr<CChannelProfile> target;
        auto& list = store_.ChannelProfiles;
        auto it = std::find_if(list.begin(), list.end(), [&](const auto& p) { return p.get() == origins_[i]; });
        if (origins_[i] && it != list.end()) target = std::move(*it);
        if (!target) target = std::make_unique<CChannelProfile>();
        target->Copy(*copies_[i]);
        result.push_back(std::move(target));
    }
    const bool currentKept = std::any_of(result.begin(), result.end(),
                                         [&](const auto& p) { return p.get() == store_.CurrentChannel; });
    if (!currentKept) store_.CurrentChannel = nullptr;
    store_.ChannelProfiles = std::move(result);
    QDialog::accept();
}

void CChannelDialog::Message(const QString& text) {
    if (messageHandler_) {
        messageHandler_(text);
        return;
    }
    QMessageBox::warning(this, windowTitle(), text);
}

// The channel dialog: entry and profile buttons on copies of the channel profiles, OK and
// Cancel, tuning to an entry, and the auto-tune frequency of the current channel on the
// virtual TV card's tuner.
#include "app/channel_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <utility>

#include "platform/com/com_runtime.h"
#include "platform/com/moniker.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/tuning/auto_tune_table.h"
#include "platform/registry/registry.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_environment.h"

namespace {

std::unique_ptr<CChannelProfile> Profile(std::string name, std::vector<CChannelEntry> entries) {
    auto p = std::make_unique<CChannelProfile>();
    p->Name = std::move(name);
    p->Entries = std::move(entries);
    return p;
}

class ChannelDialogTest : public testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        store_.ChannelProfiles.push_back(Profile("tokyo", {{1, 1, "NHK", 1, 0}, {4, 4, "NTV", 1, 0}, {6, 6, "TBS", 0, 0}}));
        store_.ChannelProfiles.push_back(Profile("osaka", {{2, 2, "NHK", 1, 0}}));
        store_.CurrentChannel = store_.ChannelProfiles[1].get();
    }
    void TearDown() override {
        dialog_.reset();
        tuner_ = nullptr;
        capture_ = nullptr;
        CoUninitialize();
    }

    // The virtual TV card's tuner (the first video device while the machine's are hidden),
    // found upstream of its capture filter.
    IAMTVTuner* CardTuner() {
        if (tuner_) return tuner_.Get();
        ComPtr<ICreateDevEnum> devices;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                         devices.ReleaseAndGetVoidAddress()));
        ComPtr<IEnumMoniker> monikers;
        EXPECT_EQ(S_OK, devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.ReleaseAndGetAddressOf(), 0));
        ComPtr<IMoniker> card;
        EXPECT_EQ(S_OK, monikers->Next(1, card.ReleaseAndGetAddressOf(), nullptr));
        EXPECT_EQ(S_OK, card->BindToObject(nullptr, nullptr, IID_IBaseFilter, capture_.ReleaseAndGetVoidAddress()));
        ComPtr<ICaptureGraphBuilder2> builder;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_ICaptureGraphBuilder2, builder.ReleaseAndGetVoidAddress()));
        EXPECT_EQ(S_OK, builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, capture_.Get(), IID_IAMTVTuner,
                                               tuner_.ReleaseAndGetVoidAddress()));
        return tuner_.Get();
    }

    CChannelDialog& Open(IAMTVTuner* tuner = nullptr) {
        dialog_ = std::make_unique<CChannelDialog>(
            store_, tuner, [this](HRESULT hr, const char* label) { reports_.emplace_back(hr, label); });
        dialog_->SetMessageHandler([this](const QString& text) { messages_.push_back(text); });
        return *dialog_;
    }

    template <typename W>
    W* Find(const char* name) {
        W* w = dialog_->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(nullptr, w) << name;
        return w;
    }
    void Click(const char* button) { Find<QPushButton>(button)->click(); }
    QTreeWidget* List() { return Find<QTreeWidget>("EntryList"); }
    QString Cell(int row, int column) { return List()->topLevelItem(row)->text(column); }
    // Selects the rows as a control-click would; the last one becomes current.
    void SelectRows(std::initializer_list<int> rows) {
        List()->clearSelection();
        List()->setCurrentItem(List()->topLevelItem(*(rows.end() - 1)));
        for (int row : rows) List()->topLevelItem(row)->setSelected(true);
    }
    void Boxes(int receive, int display, const char* station) {
        Find<QSpinBox>("ReceiveNumber")->setValue(receive);
        Find<QSpinBox>("DisplayNumber")->setValue(display);
        Find<QLineEdit>("StationName")->setText(QString::fromUtf8(station));
    }
    const std::vector<CChannelEntry>& ChosenEntries() {
        return dialog_->Copies()[static_cast<std::size_t>(dialog_->ChosenProfile())]->Entries;
    }
    LONG VideoFrequency() {
        LONG hz = 0;
        EXPECT_EQ(S_OK, CardTuner()->get_VideoFrequency(&hz));
        return hz;
    }

    TempEnvironment environment_;
    CProfileStore store_{(environment_.Root() / "profiles/").string()};  // never saved here
    std::unique_ptr<CChannelDialog> dialog_;
    std::vector<std::pair<HRESULT, std::string>> reports_;
    std::vector<QString> messages_;
    ComPtr<IBaseFilter> capture_;
    ComPtr<IAMTVTuner> tuner_;
};

TEST_F(ChannelDialogTest, OpensOnTheCurrentChannelProfileAndMarksOnlySelectableEntries) {
    Open();
    EXPECT_EQ(QString::fromUtf8("チャンネルの設定"), dialog_->windowTitle());
    EXPECT_EQ(1, dialog_->ChosenProfile());
    EXPECT_EQ(QStringLiteral("osaka"), Find<QComboBox>("ProfileName")->currentText());
    dialog_->ChooseProfile(0);
    ASSERT_EQ(3, List()->topLevelItemCount());
    EXPECT_EQ(QString::fromUtf8("　◎　"), Cell(0, 0));
    EXPECT_EQ(QStringLiteral("4"), Cell(1, 1));
    EXPECT_EQ(QStringLiteral("NTV"), Cell(1, 3));
    EXPECT_EQ(QString(), Cell(2, 0)) << "Selectable 0 has no mark";
    EXPECT_EQ(QStringLiteral("TBS"), Cell(2, 3));
}

TEST_F(ChannelDialogTest, EntryButtonsAddReplaceDeleteAndMove) {
    Open();
    dialog_->ChooseProfile(0);
    Boxes(12, 8, "CX");
    Click("EntryAdd");
    ASSERT_EQ(4u, ChosenEntries().size());
    EXPECT_EQ((CChannelEntry{12, 8, "CX", 1, 1}), ChosenEntries()[3]) << "added entries are selectable and marked";
    EXPECT_TRUE(List()->topLevelItem(3)->font(3).bold());
    EXPECT_FALSE(List()->topLevelItem(0)->font(3).bold());

    SelectRows({2});
    EXPECT_EQ(6, Find<QSpinBox>("ReceiveNumber")->value()) << "choosing an entry fills the boxes";
    EXPECT_EQ(QStringLiteral("TBS"), Find<QLineEdit>("StationName")->text());
    Boxes(6, 6, "TBS2");
    Click("EntryReplace");
    EXPECT_EQ((CChannelEntry{6, 6, "TBS2", 1, 1}), ChosenEntries()[2]);
    EXPECT_EQ(QString::fromUtf8("　◎　"), Cell(2, 0));

    SelectRows({2});
    Click("EntryUp");
    EXPECT_EQ("TBS2", ChosenEntries()[1].StationName);
    EXPECT_EQ("NTV", ChosenEntries()[2].StationName);
    Click("EntryUp");
    Click("EntryUp");  // already first: nothing moves
    EXPECT_EQ("TBS2", ChosenEntries()[0].StationName);
    Click("EntryDown");
    EXPECT_EQ("TBS2", ChosenEntries()[1].StationName);

    SelectRows({0, 3});
    Click("EntryDelete");
    ASSERT_EQ(2u, ChosenEntries().size());
    EXPECT_EQ("TBS2", ChosenEntries()[0].StationName);
    EXPECT_EQ("NTV", ChosenEntries()[1].StationName);
    EXPECT_EQ(3u, store_.ChannelProfiles[0]->Entries.size()) << "the store is untouched before OK";
}

TEST_F(ChannelDialogTest, ClickingAnEntryFillsTheBoxes) {
    Open();
    dialog_->ChooseProfile(0);
    dialog_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    const QRect row = List()->visualItemRect(List()->topLevelItem(1));
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(4, Find<QSpinBox>("ReceiveNumber")->value());
    EXPECT_EQ(4, Find<QSpinBox>("DisplayNumber")->value());
    EXPECT_EQ(QStringLiteral("NTV"), Find<QLineEdit>("StationName")->text());
}

TEST_F(ChannelDialogTest, StationNamesKeepTheirBytesAndRefuseWhatCp932CannotHold) {
    store_.ChannelProfiles[0]->Entries[0].StationName = "\x82\xa0\xff";  // a byte that does not round-trip
    Open();
    dialog_->ChooseProfile(0);
    SelectRows({0});
    Find<QSpinBox>("DisplayNumber")->setValue(21);
    Click("EntryReplace");
    EXPECT_EQ("\x82\xa0\xff", ChosenEntries()[0].StationName) << "an unedited name keeps its bytes";
    Boxes(30, 30, "日本テレビ");
    Click("EntryAdd");
    EXPECT_EQ("\x93\xfa\x96\x7b\x83\x65\x83\x8c\x83\x72", ChosenEntries().back().StationName);
    Boxes(31, 31, "😀");
    Click("EntryAdd");
    EXPECT_EQ(4u, ChosenEntries().size()) << "nothing is added";
    EXPECT_EQ(1u, messages_.size());
}

TEST_F(ChannelDialogTest, ProfileButtonsWorkUnderTheNameInTheBox) {
    Open();
    auto* name = Find<QComboBox>("ProfileName");
    name->setEditText(QStringLiteral("nagoya"));
    Click("ProfileAdd");
    ASSERT_EQ(3u, dialog_->Copies().size());
    EXPECT_EQ(2, dialog_->ChosenProfile());
    EXPECT_EQ("nagoya", dialog_->Copies()[2]->Name);
    EXPECT_EQ(store_.ChannelProfiles[1]->Entries, dialog_->Copies()[2]->Entries) << "the entries shown";
    EXPECT_EQ(3, name->count());

    name->setEditText(QStringLiteral("kyoto"));
    Click("ProfileReplace");
    EXPECT_EQ("kyoto", dialog_->Copies()[2]->Name);
    EXPECT_EQ(QStringLiteral("kyoto"), name->itemText(2));

    dialog_->ChooseProfile(0);
    Click("ProfileDelete");
    ASSERT_EQ(2u, dialog_->Copies().size());
    EXPECT_EQ("osaka", dialog_->Copies()[0]->Name);
    EXPECT_EQ(0, dialog_->ChosenProfile());
    Click("ProfileDelete");
    Click("ProfileDelete");
    EXPECT_EQ(-1, dialog_->ChosenProfile());
    EXPECT_TRUE(messages_.empty());
    Click("ProfileDelete");
    Click("ProfileReplace");
    dialog_->ChooseProfile(5);
    EXPECT_EQ((std::vector<QString>(3, QString::fromUtf8("ポインタが無効です"))), messages_);
    // With no profile the entries are a scratch list that a new profile takes.
    Boxes(3, 3, "MBS");
    Click("EntryAdd");
    name->setEditText(QStringLiteral("kobe"));
    Click("ProfileAdd");
    ASSERT_EQ(1u, dialog_->Copies().size());
    EXPECT_EQ((std::vector<CChannelEntry>{{3, 3, "MBS", 1, 1}}), dialog_->Copies()[0]->Entries);
}

TEST_F(ChannelDialogTest, CancelLeavesTheStoreAsItWas) {
    Open();
    Boxes(9, 9, "X");
    Click("EntryAdd");
    Find<QComboBox>("ProfileName")->setEditText(QStringLiteral("new"));
    Click("ProfileAdd");
    dialog_->reject();
    ASSERT_EQ(2u, store_.ChannelProfiles.size());
    EXPECT_EQ(1u, store_.ChannelProfiles[1]->Entries.size());
    EXPECT_EQ(store_.ChannelProfiles[1].get(), store_.CurrentChannel);
}

TEST_F(ChannelDialogTest, OkReplacesTheListAndKeepsTheCurrentProfileObject) {
    CChannelProfile* osaka = store_.ChannelProfiles[1].get();
    Open();
    Boxes(9, 9, "X");
    Click("EntryAdd");
    Find<QComboBox>("ProfileName")->setEditText(QStringLiteral("new"));
    Click("ProfileAdd");
    dialog_->ChooseProfile(0);
    Click("ProfileDelete");
    dialog_->accept();
    ASSERT_EQ(2u, store_.ChannelProfiles.size());
    EXPECT_EQ(osaka, store_.ChannelProfiles[0].get());
    EXPECT_EQ(osaka, store_.CurrentChannel);
    EXPECT_EQ(2u, osaka->Entries.size());
    EXPECT_EQ("new", store_.ChannelProfiles[1]->Name);
}

TEST_F(ChannelDialogTest, OkAfterDeletingTheCurrentProfileLeavesNoneCurrent) {
    Open();
    Click("ProfileDelete");  // osaka, the current one
    dialog_->accept();
    ASSERT_EQ(1u, store_.ChannelProfiles.size());
    EXPECT_EQ("tokyo", store_.ChannelProfiles[0]->Name);
    EXPECT_EQ(nullptr, store_.CurrentChannel);
}

TEST_F(ChannelDialogTest, WithoutATunerTheFrequencyControlsAreDisabled) {
    Open();
    EXPECT_FALSE(Find<QWidget>("FrequencyGroup")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("Tune")->isEnabled());
    EXPECT_TRUE(Find<QLabel>("FrequencyText")->text().isEmpty());
}

TEST_F(ChannelDialogTest, TuneSetsTheSelectedEntrysReceiveNumber) {
    Open(CardTuner());
    dialog_->ChooseProfile(0);
    SelectRows({1});
    Click("Tune");
    LONG channel = 0, v = 0, a = 0;
    ASSERT_EQ(S_OK, CardTuner()->get_Channel(&channel, &v, &a));
    EXPECT_EQ(4, channel);
    EXPECT_EQ(QStringLiteral("Video : 171250000  Audio : 175750000"), Find<QLabel>("FrequencyText")->text());
    // A receive number the plan lacks is reported and the card stays where it was.
    Boxes(150, 150, "none");
    Click("EntryAdd");
    Click("Tune");
    ASSERT_EQ(S_OK, CardTuner()->get_Channel(&channel, &v, &a));
    EXPECT_EQ(4, channel);
    ASSERT_EQ(1u, reports_.size());
    EXPECT_EQ(E_INVALIDARG, reports_[0].first);
    EXPECT_EQ("IAMTuner put_Channel", reports_[0].second);
}

TEST_F(ChannelDialogTest, AnOverrideWrittenInTheDialogRetunesTheCardAndClearingKeepsTheKey) {
    ASSERT_EQ(S_OK, CardTuner()->put_TuningSpace(5));
    ASSERT_EQ(S_OK, CardTuner()->put_Channel(8, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    Open(CardTuner());
    auto* check = Find<QCheckBox>("FrequencyOverride");
    auto* hz = Find<QSpinBox>("FrequencyHz");
    EXPECT_EQ(QStringLiteral("Video : 193250000  Audio : 197750000"), Find<QLabel>("FrequencyText")->text());
    EXPECT_FALSE(check->isChecked());
    EXPECT_EQ(193'250'000, hz->value());
    EXPECT_EQ(10000, hz->singleStep());
    EXPECT_EQ(0, hz->minimum());
    EXPECT_EQ(2147483647, hz->maximum());

    check->setChecked(true);
    hz->setValue(194'000'000);
    Click("FrequencyApply");
    EXPECT_EQ(194'000'000, VideoFrequency()) << "the card retuned at once";
    EXPECT_EQ(QStringLiteral("Video : 194000000  Audio : 198500000"), Find<QLabel>("FrequencyText")->text());
    EXPECT_EQ(std::optional<DWORD>(194'000'000u), media::ReadAutoTuneEntry(5, TunerInputAntenna, 8));

    // Opened again, the dialog shows the override.
    Open(CardTuner());
    EXPECT_TRUE(Find<QCheckBox>("FrequencyOverride")->isChecked());
    EXPECT_EQ(194'000'000, Find<QSpinBox>("FrequencyHz")->value());

    Find<QCheckBox>("FrequencyOverride")->setChecked(false);
    Click("FrequencyApply");
    EXPECT_EQ(193'250'000, VideoFrequency());
    EXPECT_FALSE(media::ReadAutoTuneEntry(5, TunerInputAntenna, 8).has_value()) << "the value is gone";
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, media::AutoTuneKeyPath(5, TunerInputAntenna).c_str(), 0,
                                           KEY_READ, &key))
        << "the key stays";
    if (key) RegCloseKey(key);
    EXPECT_TRUE(reports_.empty());
}

TEST_F(ChannelDialogTest, AZeroOverrideIsStoredButTheCardKeepsThePlansFrequency) {
    ASSERT_EQ(S_OK, CardTuner()->put_Channel(2, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    Open(CardTuner());
    Find<QCheckBox>("FrequencyOverride")->setChecked(true);
    Find<QSpinBox>("FrequencyHz")->setValue(0);
    Click("FrequencyApply");
    EXPECT_EQ(std::optional<DWORD>(0u), media::ReadAutoTuneEntry(0, TunerInputAntenna, 2));
    EXPECT_EQ(97'250'000, VideoFrequency());
    EXPECT_TRUE(reports_.empty());
}

}  // namespace

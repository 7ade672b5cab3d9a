#include "app/tv_bar.h"

#include <QComboBox>
#include <QHBoxLayout>

#include "app/resource_ids.h"
#include "app/ui_texts.h"
#include "engine/capture_engine.h"
#include "engine/tv_audio_choice.h"
#include "platform/system/codepage.h"

namespace {

QComboBox* MakeList(QWidget* parent, const char* name, int controlId, int minimumLength) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setProperty("controlId", controlId);
    list->setMinimumContentsLength(minimumLength);
    return list;
}

}  // namespace

CTvBar::CTvBar(QWidget* parent, CCaptureEngine& engine) : QDockWidget(texts::TvBarTitle(), parent), engine_(engine) {
    setObjectName(QStringLiteral("TvBar"));
    setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    auto* contents = new QWidget(this);
    auto* layout = new QHBoxLayout(contents);
    layout->setContentsMargins(2, 2, 2, 2);
    channels_ = MakeList(contents, "ChannelList", ids::ChannelList, 20);
    sound_ = MakeList(contents, "TvSoundList", ids::TvSoundList, 6);
    language_ = MakeList(contents, "TvLanguageList", ids::TvLanguageList, 6);
    sound_->addItems({QString(), texts::TvSoundMono(), texts::TvSoundStereo()});
    language_->addItems({QString(), texts::TvLanguageMain(), texts::TvLanguageSub(), texts::TvLanguageThird(),
                         texts::TvLanguageMainAndSub()});
    layout->addWidget(channels_);
    layout->addWidget(sound_);
    layout->addWidget(language_);
    layout->addStretch();
    setWidget(contents);
    connect(channels_, &QComboBox::activated, this, &CTvBar::ChooseChannel);
    connect(sound_, &QComboBox::activated, this, &CTvBar::ChooseSound);
    connect(language_, &QComboBox::activated, this, &CTvBar::ChooseLanguage);
}

void CTvBar::Refill() {
    refilling_ = true;
    const CProfileStore& store = engine_.Store();
    const CDeviceProfile* device = store.CurrentDevice;
    channels_->clear();
    if (const CChannelProfile* channel = store.CurrentChannel) {
        for (const CChannelEntry& entry : channel->Entries) {
            if (!entry.Selectable) continue;
            const QString text = QString::asprintf("%3ld  ", static_cast<long>(entry.DisplayNumber)) +
                                 QString::fromStdString(Cp932ToDisplay(entry.StationName));
            channels_->addItem(text, QVariant::fromValue<qulonglong>(entry.ReceiveNumber));
        }
    }
    channels_->setCurrentIndex(device ? channels_->findData(QVariant::fromValue<qulonglong>(device->TunerChannel)) : -1);
    ShowTvAudioMode();
    refilling_ = false;
}

void CTvBar::ShowTvAudioMode() {
    const CDeviceProfile* device = engine_.Store().CurrentDevice;
    sound_->setCurrentIndex(device ? SoundChoiceOf(device->TVAudioMode) : 0);
    language_->setCurrentIndex(device ? LanguageChoiceOf(device->TVAudioMode) : 0);
}

// A channel the tuner refuses is reported and leaves the profile on its old channel.
void CTvBar::ChooseChannel(int row) {
    CDeviceProfile* device = engine_.Store().CurrentDevice;
    if (refilling_ || row < 0 || !device) return;
    const DWORD previous = device->TunerChannel;
    device->TunerChannel = static_cast<DWORD>(channels_->itemData(row).toULongLong());
    GraphSession& session = engine_.Session();
    if (!session.TvTuner) return;
    const HRESULT hr = session.TvTuner->put_Channel(static_cast<LONG>(device->TunerChannel),
                                                    static_cast<LONG>(device->TunerVideoSubChannel),
                                                    static_cast<LONG>(device->TunerAudioSubChannel));
    if (FAILED(hr)) {
        engine_.ReportFailure(hr, TRUE, "IAMTuner put_Channel");
        device->TunerChannel = previous;
        Refill();
    }
}

void CTvBar::ChooseSound(int row) {
    const CDeviceProfile* device = engine_.Store().CurrentDevice;
    if (refilling_ || row < 0 || !device) return;
    PutTvAudioMode(::ChooseSound(device->TVAudioMode, row));
}

void CTvBar::ChooseLanguage(int row) {
    const CDeviceProfile* device = engine_.Store().CurrentDevice;
    if (refilling_ || row < 0 || !device) return;
    PutTvAudioMode(::ChooseLanguage(device->TVAudioMode, row));
}

void CTvBar::PutTvAudioMode(DWORD mode) {
    CDeviceProfile* device = engine_.Store().CurrentDevice;
    const DWORD previous = device->TVAudioMode;
    device->TVAudioMode = mode;
    GraphSession& session = engine_.Session();
    if (session.TvAudio) {
        const HRESULT hr = session.TvAudio->put_TVAudioMode(static_cast<LONG>(device->TVAudioMode));
        if (hr != S_OK) {
            engine_.ReportFailure(hr, TRUE, "IAMTVAudio put_TVAudioMode");
            device->TVAudioMode = previous;
        }
    }
    ShowTvAudioMode();
}

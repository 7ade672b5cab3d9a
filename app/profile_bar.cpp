#include "app/profile_bar.h"

#include <QComboBox>

#include "app/resource_ids.h"
#include "app/ui_texts.h"
#include "platform/system/codepage.h"

CProfileBar::CProfileBar(QWidget* parent) : QDockWidget(texts::ProfileBarTitle(), parent) {
    setObjectName(QStringLiteral("ProfileBar"));
    setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    devices_ = new QComboBox(this);
    devices_->setObjectName(QStringLiteral("DeviceProfileList"));
    devices_->setProperty("controlId", ids::DeviceProfileList);
    devices_->setMinimumContentsLength(24);
    setWidget(devices_);
    connect(devices_, &QComboBox::activated, this, [this](int row) {
        if (refilling_ || row < 0) return;
        bool ok = false;
        const int index = devices_->itemData(row).toInt(&ok);
        if (ok) emit DeviceProfileChosen(index);
    });
}

void CProfileBar::Refill(const CProfileStore& store) {
    refilling_ = true;
    devices_->clear();
    for (std::size_t i = 0; i < store.DeviceProfiles.size(); ++i) {
        const CDeviceProfile* profile = store.DeviceProfiles[i].get();
        devices_->addItem(QString::fromStdString(Cp932ToDisplay(profile->Name)), static_cast<int>(i));
        if (profile == store.CurrentDevice) devices_->setCurrentIndex(devices_->count() - 1);
    }
    if (!store.CurrentDevice) devices_->setCurrentIndex(-1);
    refilling_ = false;
}

// The profile bar: the list of device profiles; choosing one switches the devices.
#pragma once

#include <QDockWidget>

#include "profiles/profile_store.h"

class QComboBox;

class CProfileBar : public QDockWidget {
    Q_OBJECT

public:
    explicit CProfileBar(QWidget* parent);

    // Lists the store's device profiles by name, selecting the current one.
    void Refill(const CProfileStore& store);
    QComboBox* DeviceList() const { return devices_; }

signals:
    // The user chose another profile (an index into the store's device profile list).
    void DeviceProfileChosen(int index);

private:
    QComboBox* devices_;
    bool refilling_ = false;
};

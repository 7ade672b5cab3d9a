// A bar with one list of profiles by name (the compressor bar, list 1576, and the
// multiplexer bar, list 1649): choosing a name reports the profile's index in its list.
#pragma once

#include <QDockWidget>
#include <string>
#include <vector>

class QComboBox;

class CProfileListBar : public QDockWidget {
    Q_OBJECT

public:
    CProfileListBar(const QString& title, const QString& name, int listId, QWidget* parent);

    // `names` are the profiles' names (code page 932 bytes) in list order; `current` the index of
    // the current profile, or -1.
    void Refill(const std::vector<std::string>& names, int current);
    QComboBox* List() const { return list_; }

signals:
    void ProfileChosen(int index);

private:
    QComboBox* list_;
    bool refilling_ = false;
};

CProfileListBar* CreateCompressorBar(QWidget* parent);
CProfileListBar* CreateMuxBar(QWidget* parent);

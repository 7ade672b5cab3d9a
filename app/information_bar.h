// The information bar: labelled fields that the status refresh keeps current.
#pragma once

#include <QDockWidget>
#include <map>

class QLabel;

class CInformationBar : public QDockWidget {
    Q_OBJECT

public:
    explicit CInformationBar(QWidget* parent);

    // Sets the text of field `id` (one of the ids in resource_ids.h); unknown ids are ignored.
    void SetField(int id, const QString& text);
    QString Field(int id) const;

private:
    std::map<int, QLabel*> fields_;
};

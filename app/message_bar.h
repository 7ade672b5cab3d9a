// The message bar: a drop-down list that collects every failure report, newest selected.
#pragma once

#include <QDockWidget>

#include "common/failure_report.h"

class QComboBox;

class CMessageBar : public QDockWidget, public IFailureReportSink {
    Q_OBJECT

public:
    explicit CMessageBar(QWidget* parent);

    int AppendReportLine(const std::string& text) override;
    void SelectReportLine(int index) override;

    QComboBox* Reports() const { return reports_; }

private:
    QComboBox* reports_;
};

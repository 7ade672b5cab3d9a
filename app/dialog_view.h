// A dialog template's controls as Qt widgets, placed at their dialog-unit positions scaled by
// the template font's dialog base units. What the user does goes into the platform dialog
// (and so reaches the page as WM_COMMAND); what the page writes into the dialog is mirrored
// back. Each control widget is named after its control id.
#pragma once

#include <QWidget>
#include <map>

#include "platform/ui/dialog_host.h"

class CDialogView : public QWidget, public ui::DialogHost {
    Q_OBJECT
public:
    explicit CDialogView(QWidget* parent = nullptr);
    ~CDialogView() override;

    void DialogCreated(ui::Dialog* dialog) override;
    void DialogDestroyed(ui::Dialog* dialog) override;

    // Pixels for a dialog-unit rectangle of `dialogTemplate`.
    static QRect PixelRect(const ui::DialogTemplate& dialogTemplate, int x, int y, int cx, int cy);

private:
    QWidget* MakeControl(const ui::DialogControl& control);
    void Mirror(int id);

    ui::Dialog* dialog_ = nullptr;
    std::map<int, QWidget*> controls_;
};

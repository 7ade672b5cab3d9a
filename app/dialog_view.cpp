#include "app/dialog_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>

namespace {

QString ToQString(const std::u16string& text) { return QString::fromStdU16String(text); }

QFont TemplateFont(const ui::DialogTemplate& dialogTemplate) {
    QFont font;
    if (!dialogTemplate.fontFace.empty()) font.setFamily(ToQString(dialogTemplate.fontFace));
    if (dialogTemplate.fontPointSize > 0) font.setPointSize(dialogTemplate.fontPointSize);
    return font;
}

// The dialog base units of a font: the average width of the Latin letters (rounded) and the
// character height, in pixels.
QSize BaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize(std::max(1, (letters / 26 + 1) / 2), std::max(1, metrics.height()));
}

int Scale(int units, int base, int divisor) { return (units * base + divisor / 2) / divisor; }

}  // namespace

CDialogView::CDialogView(QWidget* parent) : QWidget(parent) {}

CDialogView::~CDialogView() {
    if (dialog_) dialog_->SetChangeListener(nullptr);
}

QRect CDialogView::PixelRect(const ui::DialogTemplate& dialogTemplate, int x, int y, int cx, int cy) {
    const QSize base = BaseUnits(TemplateFont(dialogTemplate));
    return QRect(Scale(x, base.width(), 4), Scale(y, base.height(), 8), Scale(cx, base.width(), 4),
                 Scale(cy, base.height(), 8));
}

void CDialogView::DialogCreated(ui::Dialog* dialog) {
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
    controls_.clear();
    dialog_ = dialog;
    const ui::DialogTemplate& dialogTemplate = dialog->Template();
    setFont(TemplateFont(dialogTemplate));
    resize(PixelRect(dialogTemplate, 0, 0, dialogTemplate.cx, dialogTemplate.cy).size());
    for (const ui::DialogControl& control : dialogTemplate.controls) {
        QWidget* widget = MakeControl(control);
        widget->setGeometry(PixelRect(dialogTemplate, control.x, control.y, control.cx, control.cy));
        if (control.kind == ui::ControlKind::GroupBox) widget->lower();  // a frame behind its controls
        if (control.id != ui::IDC_STATIC) {
            widget->setObjectName(QString::number(control.id));
            controls_[control.id] = widget;
            Mirror(control.id);
        }
        widget->show();
    }
    dialog->SetChangeListener([this](int id) { Mirror(id); });
}

void CDialogView::DialogDestroyed(ui::Dialog* dialog) {
    if (dialog != dialog_) return;
    dialog_->SetChangeListener(nullptr);
    dialog_ = nullptr;
    setEnabled(false);
}

QWidget* CDialogView::MakeControl(const ui::DialogControl& control) {
    const int id = control.id;
    const QString text = ToQString(control.text);
    switch (control.kind) {
        case ui::ControlKind::CheckBox: {
            auto* box = new QCheckBox(text, this);
            connect(box, &QCheckBox::clicked, this, [this, id] {
                if (dialog_) dialog_->Click(id);
            });
            return box;
        }
        case ui::ControlKind::Edit: {
            auto* edit = new QLineEdit(this);
            edit->setFrame((control.style & ui::WS_BORDER) != 0);
            connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& typed) {
                if (dialog_) dialog_->Type(id, typed.toStdU16String());
            });
            return edit;
        }
        case ui::ControlKind::PushButton: {
            auto* button = new QPushButton(text, this);
            connect(button, &QPushButton::clicked, this, [this, id] {
                if (dialog_) dialog_->Click(id);
            });
            return button;
        }
        case ui::ControlKind::ComboBox: {
            auto* combo = new QComboBox(this);
            if (!text.isEmpty()) combo->addItems(text.split(QLatin1Char('\n')));
            combo->setCurrentIndex(-1);
            connect(combo, &QComboBox::activated, this, [this, id, combo](int index) {
                if (dialog_) dialog_->Select(id, combo->itemText(index).toStdU16String());
            });
            return combo;
        }
        case ui::ControlKind::GroupBox:
            return new QGroupBox(text, this);
        case ui::ControlKind::Static:
            break;
    }
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// Copies the dialog's state of one control into its widget without echoing it back.
void CDialogView::Mirror(int id) {
    auto it = controls_.find(id);
    if (it == controls_.end() || !dialog_) return;
    QWidget* widget = it->second;
    const QSignalBlocker blocker(widget);
    const QString text = ToQString(dialog_->Text(id));
    if (auto* box = qobject_cast<QCheckBox*>(widget)) {
        box->setChecked(dialog_->CheckState(id) == ui::BST_CHECKED);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        if (edit->text() != text) edit->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->setCurrentIndex(combo->findText(text));
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    }
}

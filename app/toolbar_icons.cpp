#include "app/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

#include "app/resource_ids.h"

namespace {
constexpr int kWidth = 16;
constexpr int kHeight = 15;

template <class Draw>
QIcon Drawn(Draw draw) {
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return QIcon(pixmap);
}

// A short mark for a command without a picture of its own.
QIcon Lettered(const QString& text, QColor color) {
    return Drawn([&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawRoundedRect(QRectF(0.5, 0.5, kWidth - 1, kHeight - 1), 3, 3);
        QFont font = p.font();
        font.setPixelSize(text.size() > 1 ? 8 : 11);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, kWidth, kHeight), Qt::AlignCenter, text);
    });
}

// A triangle pointing right (or left), `count` of them side by side, with an optional bar.
QIcon Arrows(int count, bool left, bool bar) {
    return Drawn([=](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 30, 30));
        const qreal width = bar ? 10.0 / count : 12.0 / count;
        qreal x = bar && !left ? 1 : (bar ? 4 : 2);
        for (int i = 0; i < count; ++i, x += width) {
            QPainterPath path;
            if (left) {
                path.moveTo(x + width, 2);
                path.lineTo(x, kHeight / 2.0);
                path.lineTo(x + width, kHeight - 2);
            } else {
                path.moveTo(x, 2);
                path.lineTo(x + width, kHeight / 2.0);
                path.lineTo(x, kHeight - 2);
            }
            p.drawPath(path);
        }
        if (bar) p.drawRect(left ? QRectF(1, 2, 2, kHeight - 4) : QRectF(kWidth - 3, 2, 2, kHeight - 4));
    });
}
}  // namespace

QIcon CommandIcon(int id, const QStyle* style) {
    switch (id) {
    case ids::Record:
        return Drawn([](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(210, 0, 0));
            p.drawEllipse(QRectF(2, 1.5, 12, 12));
        });
    case ids::Stop:
        return Drawn([](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(30, 30, 30));
            p.drawRect(QRectF(3, 2.5, 10, 10));
        });
    case ids::StillImage: return Lettered(QStringLiteral("S"), QColor(40, 110, 170));
    case ids::Redraw: return style->standardIcon(QStyle::SP_BrowserReload);
    case ids::OptionSettings: return Lettered(QStringLiteral("O"), QColor(90, 90, 90));
    case ids::DeviceSettings: return Lettered(QStringLiteral("D"), QColor(60, 120, 60));
    case ids::CompressorSettings: return Lettered(QStringLiteral("C"), QColor(130, 80, 30));
    case ids::ChannelSettings: return Lettered(QStringLiteral("Ch"), QColor(30, 90, 150));
    case ids::MuxSettings: return Lettered(QStringLiteral("M"), QColor(120, 60, 130));
    case ids::Reservations: return Lettered(QStringLiteral("R"), QColor(170, 110, 0));
    case ids::AlwaysOnTop: return style->standardIcon(QStyle::SP_TitleBarShadeButton);
    case ids::FullScreen: return style->standardIcon(QStyle::SP_TitleBarMaxButton);
    case ids::VideoFilterSettings: return Lettered(QStringLiteral("VF"), QColor(40, 130, 130));
    case ids::AudioFilterSettings: return Lettered(QStringLiteral("AF"), QColor(130, 40, 90));
    case ids::PowerSaving: return Lettered(QStringLiteral("P"), QColor(60, 60, 140));
    case ids::BuildReleaseGraph: return Lettered(QStringLiteral("G"), QColor(0, 120, 80));
    case ids::ReleaseAndMinimize: return style->standardIcon(QStyle::SP_TitleBarMinButton);
    case ids::SaveProfiles: return style->standardIcon(QStyle::SP_DialogSaveButton);
    case ids::About: return style->standardIcon(QStyle::SP_MessageBoxInformation);
    default: return {};
    }
}

QIcon TimeShiftIcon(int controlId) {
    switch (controlId) {
    case ids::TimeShiftPlay: return Arrows(1, false, false);
    case ids::TimeShiftPause:
        return Drawn([](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(30, 30, 30));
            p.drawRect(QRectF(3, 2, 3.5, kHeight - 4));
            p.drawRect(QRectF(9.5, 2, 3.5, kHeight - 4));
        });
    case ids::TimeShiftLive: return Arrows(1, false, true);
    case ids::TimeShiftFastForward: return Arrows(2, false, false);
    case ids::TimeShiftPlayBackwards: return Arrows(1, true, false);
    case ids::TimeShiftFastBackwards: return Arrows(2, true, false);
    default: return {};
    }
}

#include "app/tray_icon.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QWidget>

#include "app/quilldeck_app.h"

namespace {
// Icon 345 at 16 x 16: the program's mark, a small screen with a red recording dot.
QIcon TrayPicture() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(20, 20, 20));
    painter.setBrush(QColor(40, 70, 130));
    painter.drawRoundedRect(QRectF(0.5, 2.5, 15, 11), 2, 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(220, 0, 0));
    painter.drawEllipse(QRectF(9, 4, 5, 5));
    painter.end();
    return QIcon(pixmap);
}
}  // namespace

CTrayIcon::CTrayIcon(QWidget* window, HostProbe probe) : QObject(window), window_(window), probe_(std::move(probe)) {
    if (!probe_) probe_ = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    hostPresent_ = probe_();
    connect(&hostPoll_, &QTimer::timeout, this, &CTrayIcon::CheckHost);
    hostPoll_.start(kHostPollMs);
}

CTrayIcon::~CTrayIcon() { Remove(); }

// A new icon each time: one added again after its host restarted must be announced anew.
bool CTrayIcon::Add() {
    Remove();
    if (!probe_()) return false;
    icon_ = new QSystemTrayIcon(TrayPicture(), this);
    icon_->setToolTip(CQuilldeckApp::InstanceName());
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger: emit LeftButtonDown(); break;
        case QSystemTrayIcon::DoubleClick: emit LeftDoubleClick(); break;
        case QSystemTrayIcon::Context: emit RightButtonDown(); break;
        default: break;
        }
    });
    icon_->show();
    return true;
}

void CTrayIcon::Remove() {
    delete icon_;
    icon_ = nullptr;
}

bool CTrayIcon::IsShown() const { return icon_ && icon_->isVisible(); }

QString CTrayIcon::ToolTip() const { return icon_ ? icon_->toolTip() : QString(); }

void CTrayIcon::SetHostProbe(HostProbe probe) {
    probe_ = std::move(probe);
    hostPresent_ = probe_();
}

void CTrayIcon::CheckHost() {
    const bool present = probe_();
    const bool reappeared = present && !hostPresent_;
    hostPresent_ = present;
    if (reappeared) emit HostReappeared();
}

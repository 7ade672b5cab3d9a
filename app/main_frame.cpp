#include "app/main_frame.h"

#include <QLabel>

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Quilldeck"));
    setObjectName(QStringLiteral("Quilldeck"));
    auto* enginePane = new QLabel(this);
    enginePane->setAlignment(Qt::AlignCenter);
    enginePane->setStyleSheet(QStringLiteral("background: black;"));
    setCentralWidget(enginePane);
    resize(640, 480);
}

#include <QApplication>

#include "app/main_frame.h"
#include "platform/system/message_beep.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quilldeck2"));
    SetMessageBeepHandler([](UINT) { QApplication::beep(); });

    CMainFrame frame;
    frame.show();
    return QApplication::exec();
}

#include <QApplication>

#include "app/display_platform.h"
#include "app/quilldeck_app.h"
#include "app/ui_texts.h"
#include "platform/system/message_beep.h"

int main(int argc, char* argv[]) {
    ChooseQtPlatform();
    QApplication application(argc, argv);
    QApplication::setApplicationName(texts::ApplicationTitle());
    QApplication::setApplicationVersion(texts::Version());
    SetMessageBeepHandler([](UINT) { QApplication::beep(); });

    CQuilldeckApp app;
    if (!app.InitInstance()) return 0;
    return QApplication::exec();
}

#include "app/display_platform.h"

#include <QByteArray>
#include <QtGlobal>

const char* PreferredQtPlatform(bool platformChosen, bool waylandSession, bool x11Display) {
    return !platformChosen && waylandSession && x11Display ? "xcb" : nullptr;
}

void ChooseQtPlatform() {
    const char* platform = PreferredQtPlatform(!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"),
                                               !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"),
                                               !qEnvironmentVariableIsEmpty("DISPLAY"));
    if (platform) qputenv("QT_QPA_PLATFORM", QByteArray(platform));
}

#include "tests/app/app_test_support.h"

#include <cstdlib>

QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QUILLDECK_HIDE_REAL_DEVICES", "1", 1);  // the virtual TV card is the first device
    static QApplication* application = new QApplication(argc, argv);  // lives until exit
    return *application;
}

// The program asks for X11 on a Wayland desktop that offers it, so the video pane has a window
// GStreamer's sinks can draw into; a platform the user chose, or a desktop with only one of the
// two, is left to Qt.
#include "app/display_platform.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>

#include <string>

namespace {

struct Desktop {
    bool platformChosen;
    bool wayland;
    bool x11;
    const char* expected;
};

class PreferredQtPlatformTest : public testing::TestWithParam<Desktop> {};

TEST_P(PreferredQtPlatformTest, AsksForX11OnlyOnAWaylandDesktopThatOffersItUnlessTheUserChose) {
    const Desktop& d = GetParam();
    const char* chosen = PreferredQtPlatform(d.platformChosen, d.wayland, d.x11);
    EXPECT_EQ(std::string(d.expected ? d.expected : "(Qt's choice)"), std::string(chosen ? chosen : "(Qt's choice)"));
}

INSTANTIATE_TEST_SUITE_P(Desktops, PreferredQtPlatformTest,
                         testing::Values(Desktop{false, true, true, "xcb"},     // Wayland with XWayland
                                         Desktop{true, true, true, nullptr},    // QT_QPA_PLATFORM set
                                         Desktop{false, true, false, nullptr},  // Wayland alone
                                         Desktop{false, false, true, nullptr},  // X11 alone: Qt takes it anyway
                                         Desktop{false, false, false, nullptr}));

void Restore(const char* name, const QByteArray& value) {
    if (value.isNull()) qunsetenv(name);
    else qputenv(name, value);
}

TEST(ChooseQtPlatformTest, SetsTheEnvironmentOnlyWhenX11IsToBeAskedFor) {
    const QByteArray saved = qgetenv("QT_QPA_PLATFORM");
    const QByteArray savedWayland = qgetenv("WAYLAND_DISPLAY");
    const QByteArray savedDisplay = qgetenv("DISPLAY");
    qunsetenv("QT_QPA_PLATFORM");
    qputenv("WAYLAND_DISPLAY", QByteArray("wayland-0"));
    qputenv("DISPLAY", QByteArray(":0"));
    ChooseQtPlatform();
    EXPECT_EQ(QByteArray("xcb"), qgetenv("QT_QPA_PLATFORM"));
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    ChooseQtPlatform();
    EXPECT_EQ(QByteArray("offscreen"), qgetenv("QT_QPA_PLATFORM"));
    Restore("QT_QPA_PLATFORM", saved);
    Restore("WAYLAND_DISPLAY", savedWayland);
    Restore("DISPLAY", savedDisplay);
}

}  // namespace

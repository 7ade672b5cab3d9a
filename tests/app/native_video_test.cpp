// The video renderer on a real X server: a private Xvfb started by this program, the engine
// pane as a native X11 window, the virtual TV card's preview drawn into it by the display's own
// video sink. The pixels are read back from the X server, so what is checked is what a user
// would see, not what the toolkit painted.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>

#include "app/engine_pane.h"
#include "app/widget_window.h"
#include "platform/com/com_runtime.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/media/media_types.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

std::string FindProgram(const char* name) {
    std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    for (std::string dir; std::getline(path, dir, ':');) {
        const std::string candidate = dir + "/" + name;
        if (!dir.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

// Starts Xvfb on a display number it picks itself (-displayfd), tied to this process's life.
// Returns the display name, or an empty string with `error` set.
std::string StartXvfb(std::string* error) {
    const std::string program = FindProgram("Xvfb");
    const char* xvfb = program.c_str();
    if (program.empty()) {
        *error = "Xvfb is not installed (Debian package xvfb)";
        return {};
    }
    int fds[2];
    if (pipe(fds) != 0) {
        *error = "pipe failed";
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // the server goes when the test program goes
        const std::string fd = std::to_string(fds[1]);
        execl(xvfb, xvfb, "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp", "-noreset",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd ready{fds[0], POLLIN, 0};
    while (poll(&ready, 1, 10000) == 1) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (child < 0 || number.empty()) {
        *error = "Xvfb did not start";
        return {};
    }
    return ":" + number;
}

// One QApplication on the private X server for the whole program (it outlives the tests; the
// server follows the program out).
QApplication* XcbApplication(std::string* error) {
    static std::string failure;
    static QApplication* application = [] () -> QApplication* {
        const std::string display = StartXvfb(&failure);
        if (display.empty()) return nullptr;
        setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        unsetenv("WAYLAND_DISPLAY");
        static int argc = 1;
        static char name[] = "native_video_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    *error = failure;
    return application;
}

bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds) return false;
        QTest::qWait(20);
    }
    return true;
}

// How much of the picture the test pattern's colour bars cover: the share of pixels that are
// clearly coloured (one channel well above another), which black or grey never are.
double ColouredShare(const QImage& image) {
    if (image.isNull()) return 0;
    int coloured = 0, total = 0;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4) {
            const QRgb p = image.pixel(x, y);
            const int hi = std::max({qRed(p), qGreen(p), qBlue(p)});
            const int lo = std::min({qRed(p), qGreen(p), qBlue(p)});
            coloured += hi - lo > 80;
            ++total;
        }
    }
    return total ? double(coloured) / total : 0;
}

// The bars differ from left to right: count the distinct hues along one row of the upper part.
int DistinctBars(const QImage& image) {
    int bars = 0;
    QRgb previous = 0;
    const int y = image.height() / 4;
    for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        auto far = [](QRgb a, QRgb b) {
            return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 90;
        };
        if (x == 0 || far(p, previous)) ++bars;
        previous = p;
    }
    return bars;
}

class NativeVideo : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_NE(XcbApplication(&error), nullptr) << error;
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));

        top_ = std::make_unique<QWidget>();
        top_->resize(kWidth, kHeight);
        pane_ = new CEnginePane(top_.get());
        pane_->setGeometry(0, 0, kWidth, kHeight);
        top_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(top_.get()));
        window_ = std::make_unique<CWidgetWindow>(pane_, CWidgetWindow::MessageHandler{}, pane_);

        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(graph_.ReleaseAndGetAddressOf()));
        CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                         IID_PPV_ARGS(builder_.ReleaseAndGetAddressOf()));
        ASSERT_TRUE(graph_ && builder_);
        builder_->SetFiltergraph(graph_.Get());
        graph_.As(&control_);
        graph_.As(&video_);
        card_ = VirtualCard();
        ASSERT_TRUE(card_);
        ASSERT_EQ(graph_->AddFilter(card_.Get(), u"Card"), S_OK);
    }

    void TearDown() override {
        if (control_) control_->Stop();
        if (video_) {
            video_->put_Owner(0);
            video_->put_Visible(OAFALSE);
        }
        video_.Reset();
        control_.Reset();
        card_.Reset();
        builder_.Reset();
        graph_.Reset();
        window_.reset();
        top_.reset();
        CoUninitialize();
    }

    // The first video device, which with the machine's devices hidden is the virtual TV card.
    static ComPtr<IBaseFilter> VirtualCard() {
        ComPtr<ICreateDevEnum> devices;
        CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                         devices.ReleaseAndGetVoidAddress());
        ComPtr<IEnumMoniker> monikers;
        if (!devices || devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                                       monikers.ReleaseAndGetAddressOf(), 0) != S_OK) {
            return nullptr;
        }
        ComPtr<IMoniker> moniker;
        if (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) != S_OK) return nullptr;
        ComPtr<IBaseFilter> filter;
        moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress());
        return filter;
    }

    // Renders the card's preview pin into the pane and runs the graph.
    void RunPreview() {
        ASSERT_EQ(builder_->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, card_.Get(), nullptr, nullptr), S_OK);
        ASSERT_EQ(video_->put_Owner(reinterpret_cast<OAHWND>(window_->Handle())), S_OK);
        EXPECT_EQ(video_->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS), S_OK);
        EXPECT_EQ(video_->SetWindowPosition(0, 0, kWidth, kHeight), S_OK);
        EXPECT_EQ(video_->put_Visible(OATRUE), S_OK);
        EXPECT_EQ(video_->put_AutoShow(OAFALSE), S_OK);
        ASSERT_TRUE(SUCCEEDED(control_->Run()));
    }

    // The pane's pixels as the X server holds them.
    QImage Screen() const {
        QTest::qWait(50);
        return pane_->screen()->grabWindow(pane_->winId()).toImage();
    }

    bool PictureShows(int milliseconds) {
        return WaitUntil([&] { return ColouredShare(Screen()) > 0.5; }, milliseconds);
    }
    bool StaysBlack(int milliseconds) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < milliseconds) {
            if (ColouredShare(Screen()) > 0.02) return false;
        }
        return true;
    }

    std::unique_ptr<QWidget> top_;
    CEnginePane* pane_ = nullptr;  // owned by top_
    std::unique_ptr<CWidgetWindow> window_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<ICaptureGraphBuilder2> builder_;
    ComPtr<IMediaControl> control_;
    ComPtr<IVideoWindow> video_;
    ComPtr<IBaseFilter> card_;
};

TEST_F(NativeVideo, ThePaneHandsOverItsX11Window) {
    NativeWindow native;
    ASSERT_EQ(GetNativeWindow(window_->Handle(), &native), TRUE);
    EXPECT_EQ(native.system, NativeWindowSystem::X11);
    EXPECT_EQ(native.handle, static_cast<std::uintptr_t>(pane_->winId()));
    EXPECT_EQ(GetNativeWindow(reinterpret_cast<HWND>(0x7), &native), FALSE);
}

TEST_F(NativeVideo, TheColourBarsReachTheWindowWithoutTheToolkit) {
    ASSERT_TRUE(StaysBlack(100)) << "the pane is not black before the preview runs";
    RunPreview();
    ASSERT_TRUE(PictureShows(5000));
    const QImage picture = Screen();
    EXPECT_GE(DistinctBars(picture), 6) << "no colour bars across the picture";
    // Every frame went to the X server directly; none was handed to the pane to paint.
    EXPECT_EQ(pane_->FramesPresented(), 0u);
}

TEST_F(NativeVideo, HidingStopsTheDrawingAndShowingBringsItBack) {
    RunPreview();
    ASSERT_TRUE(PictureShows(5000));
    ASSERT_EQ(video_->put_Visible(OAFALSE), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return ColouredShare(Screen()) < 0.02; }, 2000)) << "the picture stays after hiding";
    EXPECT_TRUE(StaysBlack(700)) << "frames are still drawn while hidden";
    ASSERT_EQ(video_->put_Visible(OATRUE), S_OK);
    EXPECT_TRUE(PictureShows(3000));
}

TEST_F(NativeVideo, ARepaintOfThePaneIsCoveredByThePictureAgain) {
    RunPreview();
    ASSERT_TRUE(PictureShows(5000));
    ASSERT_TRUE(SUCCEEDED(control_->Pause()));  // no new frames: only an expose can redraw
    QTest::qWait(200);
    pane_->repaint();
    EXPECT_TRUE(PictureShows(2000)) << "the paused picture was not drawn again after the pane painted";
}

TEST_F(NativeVideo, LeavingTheOwnerStopsTheDrawingAndTheToolkitPathTakesOver) {
    RunPreview();
    ASSERT_TRUE(PictureShows(5000));
    ASSERT_EQ(video_->put_Owner(0), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return ColouredShare(Screen()) < 0.02; }, 2000));
    EXPECT_TRUE(StaysBlack(500));

    // A window without a native window gets the frames handed over instead.
    QWidget plain;
    CEnginePane* offscreenLike = new CEnginePane(&plain);
    offscreenLike->setAttribute(Qt::WA_NativeWindow, false);
    CWidgetWindow toolkitWindow(offscreenLike, CWidgetWindow::MessageHandler{}, offscreenLike);
    NativeWindow native;
    ASSERT_EQ(GetNativeWindow(toolkitWindow.Handle(), &native), TRUE);
    ASSERT_EQ(native.system, NativeWindowSystem::None);
    ASSERT_EQ(video_->put_Owner(reinterpret_cast<OAHWND>(toolkitWindow.Handle())), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return offscreenLike->FramesPresented() >= 3; }, 3000));
    EXPECT_EQ(video_->put_Owner(0), S_OK);
}

}  // namespace

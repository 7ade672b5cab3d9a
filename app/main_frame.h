// The program's main window: the engine pane as client area, the message, information, TV
// and profile bars, the menus, the status timer, and the window state kept in "window.dat".
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/window_state.h"
#include "engine/capture_engine.h"
#include "profiles/profile_message_sink.h"

class CEnginePane;
class CInformationBar;
class CMessageBar;
class CMixerBar;
class CProfileBar;
class CTvBar;
class CWidgetWindow;
class CpuUsageCounter;
class QLabel;

class CMainFrame : public QMainWindow, public IProfileMessageSink {
    Q_OBJECT

public:
    // `profileDirectory` ends with '/'; `settingsPath` is the settings file ("Talvin.dat").
    CMainFrame(std::string profileDirectory, QString settingsPath, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The window's own creation: bars, menus, status bar, the engine told its message bar,
    // and the splash shown.
    bool Create();
    // Loads the profiles and, when the graph was running at the last exit, builds and starts
    // the preview; then starts the status timer and the processor-usage counter.
    void RunStartupSequence();
    // Dock-bar layout from the settings file, then "window.dat".
    void LoadWindowState();
    // "window.dat", then the dock-bar layout.
    void SaveWindowState();
    // What leaving the program does; runs once (closing, the desktop's session end, quitting).
    void RunLeavingSequence();

    // The main frame's own failure report (same contract as the engine's).
    void ReportFailure(HRESULT hr, BOOL beep, const char* format, ...) __attribute__((format(printf, 4, 5)));
    void ShowMessage(const std::string& text) override;
    // Replaces the message boxes (tests collect the texts instead of showing dialogs).
    void SetMessageBoxHandler(std::function<void(const QString&)> handler) { messageBoxHandler_ = std::move(handler); }

    CCaptureEngine& Engine() { return *engine_; }
    CMessageBar* MessageBar() const { return messageBar_; }
    CInformationBar* InformationBar() const { return informationBar_; }
    CProfileBar* ProfileBar() const { return profileBar_; }
    CMixerBar* MixerBar() const { return mixerBar_; }
    CTvBar* TvBar() const { return tvBar_; }
    CEnginePane* EnginePane() const { return enginePane_; }
    HWND Handle() const;
    const WindowState& State() const { return windowState_; }
    bool HasLeft() const { return left_; }

    void OnStatusTimer();
    // The graph's event notification (window message 0x401).
    void OnGraphNotify();
    void RefreshNames();
    // The profile bar's switch to device profile `index`.
    void SwitchDeviceProfile(int index);
    // The mixer bar's mute button and volume slider, and its refresh from the current profile.
    void OnMixerMuteClicked();
    void OnMixerVolumeReleased(int position);
    void RefreshMixerBar();
    // 0 while live; non-zero while time-shift viewing plays delayed sound, when the mixer bar
    // acts on the wave-out line of the options' time-shift mixer.
    int TimeShiftViewing() const { return timeShiftViewing_; }
    void SetTimeShiftViewing(int state) { timeShiftViewing_ = state; }
    void ShowAbout();
    // The channel dialog, on the store's channel profiles and the session's tuner.
    void ShowChannelDialog();
    void ShowHelp();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void CreateMenus();
    void CreateInertAccelerators();
    QMenu* CreateVideoSizeMenu(QWidget* parent);
    void ApplyPlacement(const WindowPlacement& placement);
    WindowPlacement CurrentPlacement() const;
    void OnFrameMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool IsSessionCaptureFilter(LONG_PTR parameter) const;
    void SetAlwaysOnTop(bool on);
    QString ProfilePath(const char* fileName) const;
    void ApplyCurrentMixerLine(CDeviceProfile* device);
    void RestoreCurrentMixerLine();

    std::string profileDirectory_;
    QString settingsPath_;
    std::unique_ptr<CCaptureEngine> engine_;
    CEnginePane* enginePane_ = nullptr;
    std::unique_ptr<CWidgetWindow> frameWindow_;
    std::unique_ptr<CWidgetWindow> paneWindow_;
    CMessageBar* messageBar_ = nullptr;
    CInformationBar* informationBar_ = nullptr;
    CProfileBar* profileBar_ = nullptr;
    CMixerBar* mixerBar_ = nullptr;
    CTvBar* tvBar_ = nullptr;
    QLabel* capturePane_ = nullptr;
    QAction* alwaysOnTopAction_ = nullptr;
    WindowState windowState_;
    QTimer statusTimer_;
    std::unique_ptr<CpuUsageCounter> cpuUsage_;
    std::function<void(const QString&)> messageBoxHandler_;
    bool left_ = false;
    int timeShiftViewing_ = 0;
    // Whether this run has set the current profile's mixer line (and not yet put it back).
    bool mixerLineApplied_ = false;
    // Held by a handler that must not run inside another (changed only by atomic exchange).
    std::atomic<LONG> busy_{0};
    // What leaving may save: only what start-up has read.
    bool profilesLoaded_ = false;
    bool windowStateLoaded_ = false;
};

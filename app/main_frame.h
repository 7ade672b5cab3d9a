// The program's main window: the engine pane as client area, the toolbar, the dockable bars,
// the status bar, the menus and their commands, the tray icon, the status timer, and the window
// state kept in "window.dat". The pieces live in their own files: main_frame_bars.cpp (the bars
// and what their controls do), main_frame_commands.cpp (actions, menus and their enabling),
// main_frame_window.cpp (full screen, always on top, tray, minimising, aspect-keeping sizing),
// main_frame_state.cpp (window state and leaving), startup_sequence.cpp (start-up and status).
#pragma once

#include <QMainWindow>
#include <QRect>
#include <QTimer>
#include <atomic>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/window_state.h"
#include "engine/capture_engine.h"
#include "engine/time_shift_commands.h"
#include "engine/recording_log.h"
#include "profiles/profile_message_sink.h"

class CEnginePane;
class CInformationBar;
class CMessageBar;
class CMainToolBar;
class CMixerBar;
class CProfileBar;
class CTvBar;
class CProfileListBar;
class CTimeShiftBar;
class CTrayIcon;
class CWidgetWindow;
class CpuUsageCounter;
namespace media {
class DeviceArrivalWatch;
}
class CRecordProfile;
class QDockWidget;
class QLabel;
class QMenu;
class QSlider;

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
    CProfileListBar* CompressorBar() const { return compressorBar_; }
    CProfileListBar* MuxBar() const { return muxBar_; }
    CTimeShiftBar* TimeShiftBar() const { return timeShiftBar_; }
    CMainToolBar* ToolBar() const { return toolBar_; }
    CTrayIcon* TrayIcon() const { return tray_; }
    QLabel* CapturePane() const { return capturePane_; }
    QLabel* MessagePane() const { return messagePane_; }
    // The action of command `id` (shared by the menus and the toolbar), or null.
    QAction* Command(int id) const;
    // The dockable bars in their docking order with their show/hide commands; a bar not built
    // yet (the TV bar) is listed with a null bar.
    std::vector<std::pair<int, QDockWidget*>> DockBars() const;
    CEnginePane* EnginePane() const { return enginePane_; }
    HWND Handle() const;
    const WindowState& State() const { return windowState_; }
    bool HasLeft() const { return left_; }

    void OnStatusTimer();
    // The graph's event notification (window message 0x401).
    void OnGraphNotify();
    void RefreshNames();

    // ---- Recording (main_frame_recording.cpp) ----
    // Starts a recording unless one runs; then sets (seconds > 0) or clears the end time.
    void StartRecording(DWORD durationSeconds);
    void StopRecording(BOOL restartPreview, BOOL suppressPowerDown, BOOL afterStop);
    void ExtendRecording(LONG minutes);
    void ToggleExternalSync();
    void CheckRecordingOnTimer(std::time_t now);
    // Starts the recording of a due reservation with the profiles it names.
    void StartReservation(CRecordProfile& reservation);
    // At start-up (`atStartup`: truncated when the options say so) and after the options.
    void OpenRecordingLog(bool atStartup);
    void CloseRecordingLog() { recordingLog_.Close(); }
    void RefreshRecordingStats();
    // What follows a stop: the preview again, or the graph released while nothing is to record.
    void AfterStop(BOOL suppressPowerDown, BOOL askPowerMode, BOOL restartPreview);
    // Frees the capture hardware for other programs.
    void ReleaseGraph();
    // The graph commands: build or release, release and minimise, rebuild the preview.
    void ToggleGraph();
    void ReleaseGraphAndMinimize();
    void RebuildPreview();
    // The recording and graph commands' enabling and check marks.
    void ConnectRecordingCommands();
    void UpdateRecordingCommands();
    // Where wall-clock time comes from (tests put a fake clock in).
    void SetClock(std::function<std::time_t()> now) { now_ = std::move(now); }
    std::time_t Now() const { return now_(); }
    // The time-shift bar's slider, kept at the recording's length and position.
    void SetTimeShiftSlider(QSlider* slider) { timeShiftSlider_ = slider; }
    bool EndTimeActive() const { return endTimeActive_; }
    std::time_t EndTime() const { return endTime_; }
    bool ExternalSync() const { return externalSync_; }
    CRecordProfile* ActiveReservation() const { return activeReservation_; }
    const CRecordingLog& RecordingLog() const { return recordingLog_; }
    QAction* CommandAction(int id) const;
    // Whether another handler holds the main window (changed only by atomic exchange).
    bool TakeBusy() { return busy_.exchange(1) == 0; }
    void ReleaseBusy() { busy_.store(0); }
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

    // Whether a recording runs. The recording controller sets it when a recording starts and
    // stops; the engine's own Capturing flag counts as well.
    bool IsRecording() const;
    void SetRecording(bool recording);
    // What the command enabling depends on, now; and the commands and bars brought up to date.
    CommandContext CurrentCommandContext() const;
    void UpdateCommandStates();

    // The compressor and multiplexer bars' choices, and their lists refilled from the store.
    void ChooseCompressorProfile(int index);
    void ChooseMuxProfile(int index);
    void RefillProfileLists();
    // A time-shift bar button, and the slider let go at `seconds`.
    void OnTimeShiftButton(TimeShiftButton button);
    void OnTimeShiftSeek(int seconds);

    // Full screen (F11), and whether the window is in it.
    void ToggleFullScreen();
    bool IsFullScreenMode() const { return fullScreen_; }
    // The right mouse button on the video pane at `globalPos`.
    void OnVideoRightButton(const QPoint& globalPos);
    QMenu* VideoPopupMenu() const { return videoPopup_; }
    QMenu* TrayPopupMenu() const { return trayPopup_; }
    // The tray icon: added (TrayIcon set only when it could be), removed, the command's flip.
    void AddTrayIcon();
    void RemoveTrayIcon();
    void ToggleTrayIcon();
    // The tray icon's buttons.
    void OnTrayLeftButton();
    void OnTrayDoubleClick();
    void OnTrayRightButton();
    // The user dragged the window from `before` to `dragged`: with an aspect ratio set, the
    // window takes the corrected rectangle (also what a drag by the window system does).
    void OnUserSizing(const QRect& before, const QRect& dragged);
    // Menu 346, on the toolbar and the bars.
    QMenu* createPopupMenu() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void CreateBars();
    void DockAllBars();
    void CreateCommands();
    QAction* AddCommand(int id);
    void ConnectCommands();
    void CreateMenus();
    void CreatePopupMenus();
    void CreateInertAccelerators();
    void FillVideoMenu(QMenu* menu);
    void UpdateBarStates(const CommandContext& context);
    void SetAspect(int commandId);
    void FlipAutoRestoreMinimize();
    void EnterFullScreen();
    void LeaveFullScreen();
    void RestoreFromTray();
    void ShowTimeShiftPicture(bool show);
    void ScheduleGeometryCheck();
    QString OutputFilePattern() const;
    // Device arrival and removal of the capture kind are recognised and change nothing.
    void WatchDeviceArrival();
public:
    // A capture device came or went: recognised, nothing changes; the answer is FALSE.
    BOOL OnDeviceChange(bool arrival);
private:
    void LeaveFullScreenForRecording();
    void ShowEndTime();
    void RestoreWindowForAutomaticStart();
    void RefreshBars();
    void BuildAndRunPreview();
    CDeviceProfile* ReservationDevice(const CRecordProfile& reservation);
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
    CProfileListBar* compressorBar_ = nullptr;
    CProfileListBar* muxBar_ = nullptr;
    CTimeShiftBar* timeShiftBar_ = nullptr;
    CMainToolBar* toolBar_ = nullptr;
    QLabel* capturePane_ = nullptr;
    QLabel* messagePane_ = nullptr;
    std::map<int, QAction*> commands_;
    QMenu* videoPopup_ = nullptr;
    QMenu* trayPopup_ = nullptr;
    CTrayIcon* tray_ = nullptr;
    bool recording_ = false;
    // Full screen: what the window looked like before it, put back when leaving.
    bool fullScreen_ = false;
    QRect geometryBeforeFullScreen_;
    bool maximizedBeforeFullScreen_ = false;
    std::vector<QWidget*> hiddenForFullScreen_;
    // The window's rectangle after the last move or resize, to tell which edge a drag moved.
    QRect lastGeometry_;
    bool correctingSize_ = false;
    bool userResized_ = false;
    bool geometryCheckPending_ = false;
    QSlider* timeShiftSlider_ = nullptr;
    // The recording controller's state.
    bool endTimeActive_ = false;
    std::time_t endTime_ = 0;
    CRecordProfile* activeReservation_ = nullptr;
    bool externalSync_ = false;
    bool signalLocked_ = false;
    DWORD statsTick_ = 0;
    CRecordingLog recordingLog_;
    std::function<std::time_t()> now_ = [] { return std::time(nullptr); };
    WindowState windowState_;
    QTimer statusTimer_;
    std::unique_ptr<CpuUsageCounter> cpuUsage_;
    std::unique_ptr<media::DeviceArrivalWatch> deviceArrival_;
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

// The main window's layout ("window.dat" and the dock-bar layout) and the leaving sequence.
#include <QSettings>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/main_frame.h"
#include "app/main_toolbar.h"
#include "app/tray_icon.h"
#include "app/ui_texts.h"
#include "platform/system/atomic_file.h"
#include "platform/media/devices/device_arrival.h"
#include "platform/system/cpu_usage.h"

namespace {
// The dock-bar layout's section in the settings file ("Bar\Talv"; the settings file writes the
// separator as '/').
constexpr char kBarSection[] = "Bar/Talv";
constexpr char kBarStateKey[] = "State";

enum class FileRead { Missing, Unreadable, Read };

FileRead ReadWholeFile(const std::string& path, std::vector<BYTE>& bytes) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return FileRead::Missing;
    // A directory opens like a file here and then reads as empty; it cannot be read as one.
    if (ec || !std::filesystem::is_regular_file(status)) return FileRead::Unreadable;
    std::ifstream file(path, std::ios::binary);
    if (!file) return FileRead::Unreadable;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return file.bad() ? FileRead::Unreadable : FileRead::Read;
}
}  // namespace

QString CMainFrame::ProfilePath(const char* fileName) const {
    return QString::fromStdString(profileDirectory_) + QString::fromUtf8(fileName);
}

WindowPlacement CMainFrame::CurrentPlacement() const {
    WindowPlacement placement = windowState_.Placement;
    placement.length = 44;
    placement.showCmd = isMinimized()                                        ? SW_SHOWMINIMIZED
                        : (fullScreen_ ? maximizedBeforeFullScreen_ : isMaximized()) ? SW_SHOWMAXIMIZED
                                                                                     : SW_SHOWNORMAL;
    // The normal rectangle holds the frame's position and its size without the window
    // manager's decoration, which is what restoring it needs.
    const QRect normal = fullScreen_                          ? geometryBeforeFullScreen_
                         : (isMinimized() || isMaximized()) ? normalGeometry()
                                                            : QRect(pos(), size());
    placement.normal = WindowRect{normal.left(), normal.top(), normal.left() + normal.width(),
                                  normal.top() + normal.height()};
    return placement;
}

void CMainFrame::ApplyPlacement(const WindowPlacement& placement) {
    if (placement.length != 44) return;  // not a placement the platform would accept
    const WindowRect& r = placement.normal;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width > 0 && height > 0) {
        move(r.left, r.top);
        resize(width, height);
    }
    if (placement.showCmd == SW_SHOWMAXIMIZED) setWindowState(windowState() | Qt::WindowMaximized);
    else if (placement.showCmd == static_cast<UINT>(SW_SHOWMINIMIZED)) setWindowState(windowState() | Qt::WindowMinimized);
}

void CMainFrame::LoadWindowState() {
    QSettings settings(settingsPath_, QSettings::IniFormat);
    settings.beginGroup(QString::fromUtf8(kBarSection));
    const QByteArray bars = settings.value(QString::fromUtf8(kBarStateKey)).toByteArray();
    settings.endGroup();
    if (!bars.isEmpty()) restoreState(bars);

    const std::string path = profileDirectory_ + kWindowStateFileName;
    std::vector<BYTE> bytes;
    switch (ReadWholeFile(path, bytes)) {
    case FileRead::Missing: windowStateLoaded_ = true; return;
    // Left unloaded, so leaving does not replace a file the user could not have back.
    case FileRead::Unreadable: ShowMessage(texts::WindowStateOpenFailed); return;
    case FileRead::Read: windowStateLoaded_ = true; break;
    }
    DWORD version = 0;
    if (auto state = ParseWindowState(bytes, &version)) {
        windowState_ = *state;
        ApplyPlacement(windowState_.Placement);
        return;
    }
    // A damaged file is kept under another name, so the next save cannot destroy what it held.
    const auto setAside = SetFileAside(path);
    ReportFailure(E_FAIL, TRUE, "CArchive Read window.dat%s%s", setAside ? " -> " : "",
                  setAside ? setAside->c_str() : "");
}

void CMainFrame::SaveWindowState() {
    windowState_.Placement = CurrentPlacement();
    const std::vector<BYTE> bytes = StoreWindowState(windowState_);
    const std::string path = profileDirectory_ + kWindowStateFileName;
    if (WriteFileAtomically(path, bytes.data(), bytes.size()) != 0) ShowMessage(texts::WindowStateOpenFailed);

    // In full screen the bars are hidden for the moment only: the layout kept is the one they
    // come back to.
    for (QWidget* widget : hiddenForFullScreen_) widget->setVisible(true);
    const QByteArray bars = saveState();
    for (QWidget* widget : hiddenForFullScreen_) widget->setVisible(false);
    QSettings settings(settingsPath_, QSettings::IniFormat);
    settings.beginGroup(QString::fromUtf8(kBarSection));
    settings.setValue(QString::fromUtf8(kBarStateKey), bars);
    settings.endGroup();
    settings.sync();
    toolBar_->SaveLayout();
}

void CMainFrame::RunLeavingSequence() {
    if (left_) return;
    left_ = true;
    // A running recording ends with its stop block in the log; the preview is stopped so that
    // its suppressions end before the session goes.
    StopRecording(FALSE, FALSE, FALSE);
    engine_->StopGraph();
    engine_->DestroyGraphSession();
    // Only what was loaded is saved: a start-up that failed earlier would otherwise replace
    // the user's files with empty lists and default placements.
    if (profilesLoaded_) engine_->Store().SaveProfiles();
    RestoreCurrentMixerLine();
    if (tray_) tray_->Remove();
    statusTimer_.stop();
    cpuUsage_.reset();
    deviceArrival_.reset();
    if (windowStateLoaded_) SaveWindowState();
    CloseRecordingLog();
}

// The main window's commands in one table: their texts, toolbar tips, when each is enabled
// and checked, and which of them have no function in this program yet (those stay disabled
// wherever they appear, with the reason kept here).
#pragma once

#include <optional>
#include <span>

#include "platform/com/types.h"

// What the enabling and check marks depend on, read from the window and the options when the
// commands are brought up to date.
struct CommandContext {
    bool recording = false;     // a recording runs (the engine's Capturing)
    bool graphRunning = false;  // the option GraphRunning is 1
    bool fullScreenWhileRecording = false;  // the option AllowFullScreenWhileCapturing
    bool reservationsEnabled = false;
    bool alwaysOnTop = false;
    bool trayIcon = false;
    bool autoRestoreMinimize = false;
    bool externalSync = false;
    DWORD aspectX = 0;
    DWORD aspectY = 0;
};

struct CommandInfo {
    int id;
    const char* text;      // menu text; also the status bar's fly-by help
    const char* tip;       // toolbar tip; null for a command that is not a toolbar button
    const char* notBuilt;  // why the command does nothing yet; null for a working command
};

// Every command of the main window's menus and toolbar.
std::span<const CommandInfo> MainCommands();
const CommandInfo* FindCommand(int id);

// The toolbar's buttons in their default order.
std::span<const int> DefaultToolBarButtons();

// The rule of the command alone (whether it would be enabled if it worked).
bool CommandRuleEnables(int id, const CommandContext& context);
// The rule, and the command has a function.
bool IsCommandEnabled(int id, const CommandContext& context);
// The check mark, or nothing for a command that is never checked.
std::optional<bool> CommandCheck(int id, const CommandContext& context);

// The aspect ratio a command sets (32795 to 32799), or nothing for other ids.
struct AspectRatio {
    DWORD x;
    DWORD y;
};
std::optional<AspectRatio> AspectOfCommand(int id);

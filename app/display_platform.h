// Which Qt platform the program asks for before the application object exists. The video
// renderer draws into the video pane's native X11 window through GStreamer's X sinks; Qt on
// Wayland gives that pane no handle a sink can draw into, so the preview would fall back to
// copying every frame into a toolkit image. On a Wayland desktop that also offers X11
// (XWayland), the program therefore runs on X11 unless the user chose a platform.
#pragma once

// "xcb" when the program should ask for X11, otherwise nullptr (Qt's own choice stands).
const char* PreferredQtPlatform(bool platformChosen, bool waylandSession, bool x11Display);

// Applies PreferredQtPlatform to this process's environment (QT_QPA_PLATFORM, WAYLAND_DISPLAY,
// DISPLAY).
void ChooseQtPlatform();

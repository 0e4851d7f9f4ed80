#pragma once
// Window mode of the program: the Qt application, the Qt UiServices and the main window.

class CBrunoxApp;

// Runs the main window until it closes and returns the process's exit status. Without a display
// to show it on, says how to get one (or how to run in console mode) and fails.
int ShowBrunoxWindow(CBrunoxApp& app);

// True when Qt has somewhere to show a window: a platform chosen by QT_QPA_PLATFORM, or an X11
// or Wayland display.
bool HaveDisplay();

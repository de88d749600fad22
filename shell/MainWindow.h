// The hidden main window, its tray icon and the window procedure that dispatches all work.
#pragma once

#include "util/HookContract.h"

#include <windows.h>

// Tray icon identifier and its callback message.
constexpr UINT TrayIconId = 1200;
constexpr UINT TrayCallbackMessage = 0x403;
// Timer that delays a restart after a right click.
constexpr UINT_PTR RestartTimer = 2;
constexpr UINT RestartDelayMs = 500;
// Timer that adds the tray icon again while the shell refuses it.
constexpr UINT_PTR TrayRetryTimer = 3;
constexpr UINT TrayRetryIntervalMs = 2000;
// The project's homepage, opened by the Help button of the program's message boxes.
extern const char* const HomepageUrl;

// Creates the instance mutex, registers the class and creates the hidden window.
HWND CreateMainWindow();

// Loads the three tray icon images from the program's resources.
void LoadTrayIcons();

// Fills AppState.TrayIconData for window and adds the tray icon; while the shell refuses it, adds
// it again on TrayRetryTimer.
void AddTrayIcon(HWND window);

// The window procedure of the main window's class.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

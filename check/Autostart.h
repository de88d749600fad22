// Starting Keyloft with Windows: the shortcut Keyloft.lnk in the user's Startup folder, which
// names Keyloft's own folder as its working folder (Keyloft looks for kbhook.dll there first),
// shows in Task Manager's Startup tab and can be turned off there.
#pragma once

#include <string>
#include <vector>

// What the system says about the shortcut.
struct AutostartFacts {
    std::wstring Problem;  // why the Startup folder or the shortcut cannot be read; else empty
    std::wstring Shortcut; // the path of Keyloft.lnk, whether or not it exists
    bool Exists = false;
    std::wstring Target;       // the file the shortcut starts
    bool TargetExists = false; //
    bool TurnedOff = false;    // Task Manager's Startup tab turned it off
};

struct AutostartVerdict {
    std::wstring Line; // "Keyloft starts with Windows ..." or "... does not start ..."
    std::vector<std::wstring> Warnings;
    bool Starts = false; // this folder's Keyloft.exe starts with Windows
};

// The plain check's line and warnings, for the Keyloft.exe at program (beside the checker).
AutostartVerdict JudgeAutostart(const AutostartFacts& facts, const std::wstring& program);

// The facts of this user's Startup folder.
AutostartFacts ReadAutostart();

// The Keyloft.exe beside the checker.
std::wstring ProgramBesideChecker();

// KeyloftCheck --autostart on|off: writes or deletes the shortcut and prints one line that says
// what it did. Returns 0, or 2 with the system's reason.
int TurnAutostart(const std::wstring& word);

// The offer of a console of the checker's own ("A to ..., "), and the key's action: turns starting
// with Windows the other way.
std::wstring AutostartOffer();
void ToggleAutostart();

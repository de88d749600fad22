// KeyloftSend --switch: the platform calls that carry out DecideSwitch (send/Switch.h).
#pragma once

// Runs or raises the program that words[1] names, with the parameters that follow it in
// commandLine; words[0] is "--switch". Returns the exit status: 0 done, 1 Windows kept the window
// from the front (its taskbar button flashes instead), 2 no program given or it cannot be
// started (one message box says why).
int SwitchToProgram(const wchar_t* commandLine, const wchar_t* const* words, int count);

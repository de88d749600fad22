// KeyloftCheck [file] --try "SCRIPT": what the keys of a timed script would do, decided by the
// hook library's own decision over the stream of events (hook/KeyWatch.h, the very functions
// kbhook.dll calls) with the file's bindings as the library reads them, on a clock that starts at
// 0 and only the script moves. Nothing is pressed and no binding runs.
//
// SCRIPT is words separated by blanks: NAME a press and release, +NAME a key-down, -NAME a
// key-up, a number of milliseconds (optionally followed by ms) a wait; NAME is a key's word as
// KeyloftSend takes it (Ctrl, LCtrl, CapsLock, J, Launch_Mail, vk41), and a word of digits
// alone is a wait, so the digit keys are pressed as +5 -5. Events without a wait between them
// are 10 ms apart.
//
// It prints one line per event that the applications receive, in order ("30 ms  +CapsLock"),
// with the key's first word in the key table, and one per report to Keyloft ("510 ms  reports
// 10003A: runs «notepad.exe»"), with the words the checker gives the code's single-press binding.
#pragma once

#include <string>

// Runs the script over the bindings of AppState.ConfigPath and prints what happens. Returns the
// exit status: 0, or 2 with one line that names a wrong word of the script.
int TryScript(const std::wstring& script);

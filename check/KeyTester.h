// KeyloftCheck's key tester and its console: the live tester of `KeyloftCheck --keys`, and the
// wait for a key before a console of the checker's own closes.
#pragma once

#include <string>

// Shows each key pressed, until Esc is pressed twice: the code as kbhook.dll reports it, the
// key's name and the bindings of that code in the file at AppState.ConfigPath. Returns the exit
// status: 0, or 2 when no keyboard hook can be installed.
int RunKeyTester();

// True when the console belongs to this program alone: it was started from Explorer, not from a
// command prompt, and its window closes with it. Never with redirected input or output.
bool OwnConsole();

// Offers the key tester and the other choices in more ("A to ..., ") after a check in a console
// of the checker's own; returns the virtual key pressed ('T' for the tester).
unsigned short OfferKeyTester(const std::wstring& more);

// Says that the window closes at the next key, and waits for it.
void WaitBeforeClosing();

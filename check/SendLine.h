// What a binding that runs KeyloftSend will send, decided with KeyloftSend's own reading of its
// words (send/Strokes.h), so that the checker and the program never disagree.
#pragma once

#include "mapping/Binding.h"

#include <string>

// True when the command runs KeyloftSend: the program KeyloftSend or KeyloftSend.exe, in any
// letter case, with or without a folder.
bool IsSendProgram(const BindingAction& action);

// "sends Ctrl+Shift+Esc, then Volume_Up ×3"; "sends nothing" when a word is wrong; "switches to
// or starts «C:\Windows\notepad.exe»" for --switch.
std::wstring DescribeSend(const BindingAction& action);

// The warning for a wrong word, naming it (a misspelt key name with the name nearest to it, as
// KeyloftSend's message says it); empty when every word is right or the command does not run
// KeyloftSend.
std::wstring SendProblemOf(const BindingAction& action);

// The program that a "KeyloftSend --switch PROGRAM" binding switches to or starts, as written;
// empty for any other binding.
std::wstring SwitchProgramOf(const BindingAction& action);

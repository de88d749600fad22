// Where the shell finds the program of a command line: KeyloftSend's --switch looks its program up
// with it, and the configuration checker warns of a program that it cannot find. Plain C-style
// code, since KeyloftSend links no C++ library.
#pragma once

#include <windows.h>

// Finds program as the shell would for a command line: a file or folder at that path, a name on
// the search path as it is or with one of the usual executable extensions, or a name registered
// under the system's "App Paths" (the user's first, then the machine's). Writes the full path
// found into found (capacity characters; may be null) and returns true; false when nothing is
// found or the path does not fit.
bool FindProgram(const wchar_t* program, wchar_t* found, DWORD capacity);

// True when extension (with its dot) is one of the usual executable extensions, in any letter
// case: .com, .exe, .bat, .cmd.
bool IsExecutableExtension(const wchar_t* extension);

// The file name part of a path: what follows its last backslash, slash or drive colon.
const wchar_t* FileNamePart(const wchar_t* path);

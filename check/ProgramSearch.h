// Where the shell would find the program of a command line, asked of the system.
#pragma once

#include <string>

// True when the shell can find program: a file or folder at that path, a name on the search
// path as it is or with one of the usual executable extensions, or a name registered under the
// system's "App Paths".
bool ProgramFound(const std::wstring& program);

// True when program names something the shell runs rather than opens: a name with one of the
// usual executable extensions, or with none.
bool IsExecutableName(const std::wstring& program);

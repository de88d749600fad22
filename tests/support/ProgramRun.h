// Runs one of the release's console programs the way a user's shell would, its output into a
// file of the folder, and gives back what it printed and its exit status.
#pragma once

#include "support/TempFolder.h"

#include <windows.h>

#include <string>

struct ProgramRun {
    DWORD ExitCode = 0xFFFFFFFF;
    std::string Output; // as the program wrote it: UTF-8 or ANSI text with Windows line ends
};

// Runs program with arguments (already quoted as needed) in folder as its current directory;
// waits at most a minute.
ProgramRun RunProgram(const std::wstring& program, const std::wstring& arguments,
                      const TempFolder& folder);

// Runs KeyloftCheck.exe copied into folder (so that its default file, the Keyloft.exe beside it
// and its search for programs start there) with arguments.
ProgramRun RunChecker(const TempFolder& folder, const std::wstring& arguments);

// KeyloftCheck.exe run in a folder of the test's own, its output read back.
#pragma once

#include "support/TempFolder.h"

#include <windows.h>

#include <string>

struct CheckRun {
    DWORD ExitCode = 0xFFFFFFFF;
    std::string Output; // UTF-8, since it goes to a file
};

// Runs the checker in folder (copied there, so that its default file, the Keyloft.exe beside it
// and its search for programs start there) with arguments, its output into a file.
CheckRun RunChecker(const TempFolder& folder, const std::wstring& arguments);

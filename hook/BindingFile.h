// kbhook.dll's view of the configuration file: which codes it binds, and whether it changed.
#pragma once

#include "hook/HookKeys.h"

#include <windows.h>

#include <cstdint>
#include <string>

// Enough of a file's state to notice an edit: whether it exists, its last-write time and size.
struct FileStamp {
    bool Exists = false;
    FILETIME LastWrite{};
    std::uint64_t Size = 0;
};

bool operator==(const FileStamp& a, const FileStamp& b);
bool operator!=(const FileStamp& a, const FileStamp& b);

// The file's current stamp; a file that cannot be looked at counts as missing. One metadata
// query, no read of the content.
FileStamp ReadFileStamp(const std::wstring& path);

// The codes that have a non-empty single-press or double-press binding in section "Keyloft" of
// the file, from one read of the section. A missing or unreadable file binds nothing. Values
// count the way the program reads them: quotes around a value and blanks around it don't.
BoundKeys LoadBoundKeys(const std::wstring& path);

// The full path of the executable of the running process.
std::wstring ProcessExecutablePath();

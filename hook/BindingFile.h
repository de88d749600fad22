// kbhook.dll's view of the configuration file: which codes it binds, and whether it changed.
// Memory comes from the process heap; a failed allocation gives false, never an exception.
#pragma once

#include "hook/HookKeys.h"
#include "hook/Pause.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Enough of a file's state to notice an edit: whether it exists, its last-write time and size.
struct FileStamp {
    bool Exists = false;
    FILETIME LastWrite{};
    std::uint64_t Size = 0;
};

bool SameStamp(const FileStamp& a, const FileStamp& b);

// The file's current stamp; a file that cannot be looked at counts as missing. One metadata
// query, no read of the content.
FileStamp ReadFileStamp(const wchar_t* path);

// A table of the given codes, sorted and without repeats. False when memory runs out.
bool MakeBoundKeys(const std::uint32_t* codes, std::size_t count, BoundKeys& table);

// Gives the table's memory back; the table is empty afterwards.
void FreeBoundKeys(BoundKeys& table);

// The codes bound by the "name=value" entries of a section list of length characters: a code
// counts when the first entry of its single-press or of its double-press key has a value (later
// repeats of a name are not seen by the program's reads either). When cut is set, the list was
// cut by the reader and its last entry is left out. The first HoldDelay entry gives the table's
// long-press delay. False when memory runs out.
bool BoundKeysOfSection(const wchar_t* list, std::size_t length, bool cut, BoundKeys& table);

// The codes that have a non-empty single-press or double-press binding in section "Keyloft" of
// the file, from one read of the section. A missing or unreadable file binds nothing. Values
// count the way the program reads them: quotes around a value and blanks around it don't.
// False when memory runs out; table is then left as it was. With pause (null for none), the same
// read gives the pause's settings too (see Pause.h).
bool LoadBoundKeys(const wchar_t* path, BoundKeys& table, PauseSettings* pause);

// The configuration file of an executable: its path with the extension of the file name
// replaced by ".ini" (or ".ini" appended when the name has none). False when it does not fit
// into capacity characters with its terminator.
bool ConfigPathFor(const wchar_t* executablePath, wchar_t* path, std::size_t capacity);

// The full path of the executable of the running process, with its terminator; 0 when it does
// not fit into capacity characters.
std::size_t ProcessExecutablePath(wchar_t* path, std::size_t capacity);

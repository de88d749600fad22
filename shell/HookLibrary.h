// Finding, loading and binding the keyboard vendor's hook library kbhook.dll.
#pragma once

#include <string>

// Sets path to the first existing candidate: the current folder, the ErgoMedia directory from
// the registry, the default installation directory. Raises Exception when none exists.
void LocateHookLibrary(std::wstring& path);

// True when path names an existing file (not a directory) with a valid timestamp.
bool PathExists(const std::wstring& path);

// Locates, loads and binds the library into AppState; raises Exception on failure.
void LoadHookLibrary();

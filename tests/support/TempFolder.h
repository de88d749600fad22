// Test helpers for files: a temporary folder that removes itself, and writing files into it.
#pragma once

#include <windows.h>

#include <string>

// A fresh folder under the system's temporary folder, removed with its contents at the end.
struct TempFolder {
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Full path of name inside the folder.
    std::wstring PathOf(const std::wstring& name) const;

    std::wstring Path; // with a trailing backslash
};

// Writes bytes to path, replacing the file.
void WriteBytes(const std::wstring& path, const std::string& bytes);
// Writes text to path as 8-bit text (ANSI code page).
void WriteAnsiFile(const std::wstring& path, const std::wstring& text);
// Writes text to path as UTF-16 with a byte-order mark.
void WriteUtf16File(const std::wstring& path, const std::wstring& text);
// The whole content of a file as bytes; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path);
// The folder that holds the running test program (with a trailing backslash): the build's
// bin folder, where the program, the probe and the test libraries are.
std::wstring BinFolder();

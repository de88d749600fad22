// Test helpers for the real clipboard: read its Unicode text exactly as stored, put a text of
// the test's own on it, and keep tests of different processes from using it at the same time.
#pragma once

#include <windows.h>

#include <string>

// Held by every test that writes or compares the clipboard: a mutex named for all test
// processes of one Wine prefix, so that parallel tests do not change it under each other.
struct ClipboardTestLock {
    ClipboardTestLock();
    ~ClipboardTestLock();
    ClipboardTestLock(const ClipboardTestLock&) = delete;
    ClipboardTestLock& operator=(const ClipboardTestLock&) = delete;
    HANDLE Mutex = nullptr;
};

// The whole Unicode text block on the clipboard, every UTF-16 unit of it including the
// terminating NUL(s). False when the clipboard holds no Unicode text or cannot be opened within
// about two seconds.
bool ReadClipboardUnits(std::wstring& units);

// Replaces the clipboard's contents with text (and one NUL) without the program's own code.
bool PutClipboardText(const std::wstring& text);

// Empties the clipboard.
bool EmptyTheClipboard();

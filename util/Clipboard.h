// Putting Unicode text on the clipboard.
#pragma once

#include <windows.h>

#include <string>

// Replaces the clipboard's contents with text; reports nothing, in success or failure.
void CopyTextToClipboard(const std::wstring& text);

// The inner step: copies text (with its terminating NUL) into block and hands the block to the
// clipboard. Returns true when the clipboard took the block, which then belongs to the system.
bool FillClipboard(HGLOBAL block, const std::wstring& text);

// Small text, path, command-line, registry and directory helpers shared by the whole program.
// Text is UTF-16; positions are 1-based; every helper returns a new text.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// The smaller / larger of two signed integers.
int Min(int a, int b);
int Max(int a, int b);

// A signed integer in decimal ("-12"), and an unsigned one in uppercase hexadecimal with at least
// minDigits digits ("00E0"). Written by hand: the C library's wide formatting would add a whole
// formatting engine to the program for these two numbers.
std::wstring DecimalText(std::int32_t value);
std::wstring HexText(std::uint32_t value, int minDigits);

// A string value of a registry key, up to its first NUL; empty text on any failure, for a
// value of non-string type, or for one that needs 260 characters or more.
std::wstring ReadRegistryString(HKEY root, const std::wstring& subkey, const std::wstring& name);

// The path with exactly one trailing backslash added unless it already ends in one.
std::wstring WithTrailingBackslash(const std::wstring& path);

// The process's current directory with a trailing backslash ("\" when it cannot be read).
std::wstring CurrentDirectory();

// The path with the extension of its last component replaced by (or extended with) extension.
std::wstring ChangeExtension(const std::wstring& path, const std::wstring& extension);

// Everything after the last backslash or colon.
std::wstring FileNameOf(const std::wstring& path);

// Everything up to and including the last backslash or colon.
std::wstring DirectoryOf(const std::wstring& path);

// 1-based position of the first occurrence of part in text that begins at or after start;
// 0 when there is none.
int FindFrom(const std::wstring& part, const std::wstring& text, std::uint16_t start);

// The text without the leading and trailing characters that occur in set.
std::wstring TrimChars(const std::wstring& text, const std::wstring& set);

// Token index (0 is the first) of a command line split at runs of unquoted blanks, with its
// double quotes removed.
std::wstring CommandToken(const std::wstring& line, int index);

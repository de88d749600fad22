// The lines of a configuration file as the profile reader sees them: the text in the file's
// encoding, and each key line of the section "Keyloft" with its number.
#pragma once

#include <string>
#include <vector>

struct IniLine {
    int Number = 0;       // 1-based line of the file
    std::wstring Key;     // as written, without the blanks around it
    std::wstring Written; // the value as written, without the blanks around it
    // How many characters the reader takes the value to have before its 2047-character cut:
    // without its enclosing quotes, in the reader's decoding of the file.
    size_t ReaderLength = 0;
};

struct IniSection {
    bool Found = false;         // the file has a [Keyloft] section
    std::vector<IniLine> Lines; // its lines of the form key=value, in file order
};

// The file's bytes as text: UTF-16 (either byte order) or UTF-8 after a byte-order mark, the
// system's ANSI code page without one. ansi tells whether it was the code page.
std::wstring DecodeIniBytes(const std::string& bytes, bool& ansi);

// The key lines of every [Keyloft] section of text. Comment lines (";") and lines without "="
// are skipped.
IniSection ScanKeyloftSection(const std::wstring& text);

// The value as the reader returns it: without one pair of enclosing quotes, single or double.
std::wstring WithoutEnclosingQuotes(const std::wstring& value);

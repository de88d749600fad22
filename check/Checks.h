// What each line of the configuration file will do, and the pitfalls in it, decided with the
// program's own reading of the file (ReadSetting on AppState.ConfigPath) and binding decision.
#pragma once

#include "check/IniLines.h"

#include <string>
#include <vector>

struct CheckWarning {
    int Line = 0;      // 0: the file as a whole
    std::wstring Kind; // one word: "key", "quotes", "number", "program", "comment", ...
    std::wstring Text;
};

struct CheckReport {
    std::vector<std::wstring> Lines; // one per key line of the section: what it does
    std::vector<CheckWarning> Warnings;
};

CheckReport CheckConfiguration(const IniSection& section);

// What a binding value does, in words: "runs «notepad.exe»", "nothing".
std::wstring DescribeBinding(const std::wstring& value);

// The hook library's tables and texts in the shape the tests compare them in.
#pragma once

#include "hook/BindingFile.h"

#include <cstdint>
#include <string>
#include <vector>

using Codes = std::vector<std::uint32_t>;

inline Codes CodesOf(const BoundKeys& table) {
    return Codes(table.Codes, table.Codes + table.Count);
}

// The codes that LoadBoundKeys finds in the file at path.
inline Codes LoadedCodes(const std::wstring& path) {
    BoundKeys table;
    LoadBoundKeys(path.c_str(), table, nullptr);
    const Codes codes = CodesOf(table);
    FreeBoundKeys(table);
    return codes;
}

// A table made of codes, for the guard's lifetime.
struct BoundKeysGuard {
    explicit BoundKeysGuard(const Codes& codes) {
        MakeBoundKeys(codes.data(), codes.size(), Table);
    }
    ~BoundKeysGuard() { FreeBoundKeys(Table); }
    BoundKeysGuard(const BoundKeysGuard&) = delete;
    BoundKeysGuard& operator=(const BoundKeysGuard&) = delete;
    BoundKeys Table;
};

inline std::wstring KeyTextString(std::uint32_t code) {
    wchar_t text[KeyTextChars];
    KeyTextOf(code, text);
    return text;
}

inline std::wstring ConfigPathString(const std::wstring& executable) {
    std::vector<wchar_t> path(executable.size() + 8);
    if (!ConfigPathFor(executable.c_str(), path.data(), path.size()))
        return std::wstring();
    return path.data();
}

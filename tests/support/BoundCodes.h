// The hook library's tables and texts in the shape the tests compare them in.
#pragma once

#include "hook/BindingFile.h"
#include "util/StrokeText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

using Codes = std::vector<std::uint32_t>;

inline Codes CodesOf(const BoundKeys& table) {
    return Codes(table.Codes, table.Codes + table.Count);
}

// The acting codes among the bound ones, as ActingStrokeOf finds them: "3A=Ctrl+Home".
inline std::vector<std::string> ActingOf(const BoundKeys& table) {
    std::vector<std::string> acting;
    for (std::size_t i = 0; i < table.Count; ++i)
        if (const Stroke* stroke = ActingStrokeOf(table, table.Codes[i])) {
            wchar_t name[64];
            StrokeName(*stroke, name, 64);
            char code[16];
            std::snprintf(code, sizeof code, "%X=", static_cast<unsigned>(table.Codes[i]));
            acting.push_back(code + std::string(name, name + std::wcslen(name)));
        }
    EXPECT_EQ(acting.size(), table.ActingCount) << "every acting code is bound";
    return acting;
}

// The codes that LoadBoundKeys finds in the file at path, and with acting, its acting codes.
inline Codes LoadedCodes(const std::wstring& path, std::vector<std::string>* acting = nullptr) {
    BoundKeys table;
    LoadBoundKeys(path.c_str(), table, nullptr);
    const Codes codes = CodesOf(table);
    if (acting)
        *acting = ActingOf(table);
    FreeBoundKeys(table);
    return codes;
}

// A code bound to "as" a stroke, written as KeyloftSend's words joined by "+" ("Ctrl+Home").
struct ActingBinding {
    std::uint32_t Code;
    const wchar_t* Stroke;
};
using ActingBindings = std::vector<ActingBinding>;

// The stroke that words name, read as the library reads it; a wrong word leaves it empty.
inline Stroke StrokeOfWords(const std::wstring& words) {
    Stroke stroke{};
    StrokeFault fault{};
    if (!ReadStrokeWord(words.c_str(), words.size(), false, stroke, fault))
        stroke = Stroke{};
    return stroke;
}

// A table made of codes and acting bindings (bound too), for the guard's lifetime.
struct BoundKeysGuard {
    explicit BoundKeysGuard(const Codes& codes, const ActingBindings& acting = {}) {
        Codes all = codes;
        for (const ActingBinding& binding : acting)
            all.push_back(binding.Code);
        MakeBoundKeys(all.data(), all.size(), Table);
        if (acting.empty())
            return;
        Table.Acting = static_cast<ActingCode*>(
            HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, acting.size() * sizeof(ActingCode)));
        for (const ActingBinding& binding : acting) {
            std::size_t at = Table.ActingCount++;
            for (; at > 0 && Table.Acting[at - 1].Code > binding.Code; --at)
                Table.Acting[at] = Table.Acting[at - 1];
            Table.Acting[at] = {binding.Code, StrokeOfWords(binding.Stroke)};
        }
    }
    // The table that LoadBoundKeys reads from the file at path.
    explicit BoundKeysGuard(const wchar_t* path) { LoadBoundKeys(path, Table, nullptr); }
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

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

// A code bound to "as" a stroke, written as KeyloftSend's words joined by "+" ("Ctrl+Home").
struct ActingBinding {
    std::uint32_t Code;
    const wchar_t* Stroke;
};
using ActingBindings = std::vector<ActingBinding>;

// The stroke that words name, from the key table; an unknown word leaves the stroke empty.
inline Stroke StrokeOfWords(const std::wstring& words) {
    Stroke stroke{};
    stroke.Repeat = 1;
    for (std::size_t start = 0;;) {
        const std::size_t end = words.find(L'+', start);
        const std::wstring part = words.substr(start, end - start);
        const KeyInfo* key = KeyNamed(part.c_str(), part.size());
        const StrokeKey sent{
            key ? key->Name : nullptr, static_cast<WORD>(key ? key->VirtualKey : 0),
            static_cast<WORD>(key ? key->ScanCode : 0), key && (key->Flags & KeyExtended)};
        if (end == std::wstring::npos) {
            stroke.Key = sent;
            return stroke;
        }
        stroke.Modifiers[stroke.ModifierCount++] = sent;
        start = end + 1;
    }
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

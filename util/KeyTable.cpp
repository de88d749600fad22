#include "util/KeyTable.h"

wchar_t LowerKeyLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool SameKeyName(const wchar_t* part, std::size_t length, const wchar_t* name) {
    std::size_t i = 0;
    for (; i < length; ++i)
        if (!name[i] || LowerKeyLetter(part[i]) != LowerKeyLetter(name[i]))
            return false;
    return name[i] == 0;
}

const KeyInfo* KeyNamed(const wchar_t* part, std::size_t length) {
    for (const KeyInfo& key : KeyTable)
        if (key.Name && SameKeyName(part, length, key.Name))
            return &key;
    for (int i = 0; i < ModifierKeyCount; ++i) {
        const KeyInfo& key = ModifierKeyTable[i].Key;
        if (SameKeyName(part, length, key.Name))
            return &key;
        // The left key of each pair (even places) by its other name: "LCtrl".
        if (i % 2 == 0 && length > 1 && LowerKeyLetter(part[0]) == L'l' &&
            SameKeyName(part + 1, length - 1, key.Name))
            return &key;
    }
    return nullptr;
}

const KeyInfo* KeyOfVirtualKey(unsigned virtualKey) {
    if (virtualKey == LayoutVirtualKey || virtualKey == NoVirtualKey)
        return nullptr;
    for (const KeyInfo& key : KeyTable)
        if (key.VirtualKey == virtualKey)
            return &key;
    for (const ModifierKeyInfo& modifier : ModifierKeyTable)
        if (modifier.Key.VirtualKey == virtualKey)
            return &modifier.Key;
    return nullptr;
}

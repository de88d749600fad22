// The key table's answers that only the checker, its key tester and KeyloftSend ask: by a code,
// by a modifier's place, and the words for a key. Apart from KeyTable.cpp, so that kbhook.dll,
// which reads key names only for its acting codes, links none of them.
#include "util/KeyTable.h"

const KeyInfo* KeyOfCode(std::uint32_t code) {
    for (const KeyInfo& key : KeyTable)
        if (KeyCodeOfKey(key) == code)
            return &key;
    for (const ModifierKeyInfo& modifier : ModifierKeyTable)
        if (KeyCodeOfKey(modifier.Key) == code)
            return &modifier.Key;
    return nullptr;
}

int ModifierPlace(const KeyInfo* key) {
    for (int i = 0; i < ModifierKeyCount; ++i)
        if (key == &ModifierKeyTable[i].Key)
            return i;
    return -1;
}

void VirtualKeyWord(unsigned virtualKey, wchar_t (&word)[5]) {
    static const wchar_t hex[] = L"0123456789ABCDEF";
    word[0] = L'v';
    word[1] = L'k';
    word[2] = hex[(virtualKey >> 4) & 15];
    word[3] = hex[virtualKey & 15];
    word[4] = 0;
}

const wchar_t* SendWordOf(const KeyInfo& key, wchar_t (&vkWord)[5]) {
    if (key.Name)
        return key.Name;
    if (KeyOfVirtualKey(key.VirtualKey) != &key)
        return nullptr;
    VirtualKeyWord(key.VirtualKey, vkWord);
    return vkWord;
}

#include "send/Strokes.h"

#include "util/IntegerText.h"

namespace {

// The keys a stroke may name, with the scan code of a standard keyboard (scan code set 1) and the
// extended flag a keyboard sets for them. Letters, digits, F1 to F24 and Numpad0 to Numpad9
// follow from the rules below this table.
const StrokeKey NamedKeys[] = {
    {L"Enter", VK_RETURN, 0x1C, false},
    {L"Esc", VK_ESCAPE, 0x01, false},
    {L"Tab", VK_TAB, 0x0F, false},
    {L"Space", VK_SPACE, 0x39, false},
    {L"Backspace", VK_BACK, 0x0E, false},
    {L"Delete", VK_DELETE, 0x53, true},
    {L"Insert", VK_INSERT, 0x52, true},
    {L"Home", VK_HOME, 0x47, true},
    {L"End", VK_END, 0x4F, true},
    {L"PgUp", VK_PRIOR, 0x49, true},
    {L"PgDn", VK_NEXT, 0x51, true},
    {L"Up", VK_UP, 0x48, true},
    {L"Down", VK_DOWN, 0x50, true},
    {L"Left", VK_LEFT, 0x4B, true},
    {L"Right", VK_RIGHT, 0x4D, true},
    // A keyboard sends E0 37: without the flag, 37 is the keypad's multiply key.
    {L"PrintScreen", VK_SNAPSHOT, 0x37, true},
    {L"Pause", VK_PAUSE, 0x45, false},
    {L"CapsLock", VK_CAPITAL, 0x3A, false},
    {L"NumLock", VK_NUMLOCK, 0x45, true},
    {L"ScrollLock", VK_SCROLL, 0x46, false},
    {L"Apps", VK_APPS, 0x5D, true},
    {L"Volume_Up", VK_VOLUME_UP, 0x30, true},
    {L"Volume_Down", VK_VOLUME_DOWN, 0x2E, true},
    {L"Volume_Mute", VK_VOLUME_MUTE, 0x20, true},
    {L"Media_Next", VK_MEDIA_NEXT_TRACK, 0x19, true},
    {L"Media_Prev", VK_MEDIA_PREV_TRACK, 0x10, true},
    {L"Media_Stop", VK_MEDIA_STOP, 0x24, true},
    {L"Media_Play_Pause", VK_MEDIA_PLAY_PAUSE, 0x22, true},
    {L"Browser_Back", VK_BROWSER_BACK, 0x6A, true},
    {L"Browser_Forward", VK_BROWSER_FORWARD, 0x69, true},
    {L"Browser_Refresh", VK_BROWSER_REFRESH, 0x67, true},
    {L"Browser_Stop", VK_BROWSER_STOP, 0x68, true},
    {L"Browser_Search", VK_BROWSER_SEARCH, 0x65, true},
    {L"Browser_Favorites", VK_BROWSER_FAVORITES, 0x66, true},
    {L"Browser_Home", VK_BROWSER_HOME, 0x32, true},
    {L"Launch_Mail", VK_LAUNCH_MAIL, 0x6C, true},
    {L"Launch_Media", VK_LAUNCH_MEDIA_SELECT, 0x6D, true},
    {L"Launch_App1", VK_LAUNCH_APP1, 0x6B, true},
    {L"Launch_App2", VK_LAUNCH_APP2, 0x21, true},
    {L"Sleep", VK_SLEEP, 0x5F, true},
};

// In the order of the bits of ReleaseHeldModifiers.
const StrokeKey ModifierKeys[ModifierKeyCount] = {
    {L"Ctrl", VK_LCONTROL, 0x1D, false}, {L"RCtrl", VK_RCONTROL, 0x1D, true},
    {L"Shift", VK_LSHIFT, 0x2A, false},  {L"RShift", VK_RSHIFT, 0x36, false},
    {L"Alt", VK_LMENU, 0x38, false},     {L"RAlt", VK_RMENU, 0x38, true},
    {L"Win", VK_LWIN, 0x5B, true},       {L"RWin", VK_RWIN, 0x5C, true},
};

// The other names of the left modifier keys.
const wchar_t* const LeftModifierNames[] = {L"LCtrl", L"LShift", L"LAlt", L"LWin"};

const char LetterScanCodes[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                  0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                  0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
const char DigitScanCodes[10] = {0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};
const char FunctionScanCodes[24] = {0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42,
                                    0x43, 0x44, 0x57, 0x58, 0x64, 0x65, 0x66, 0x67,
                                    0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x76};
const char NumpadScanCodes[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
// Names of the keys that follow a rule, so that StrokeName can give them.
const wchar_t* const FunctionNames[24] = {
    L"F1",  L"F2",  L"F3",  L"F4",  L"F5",  L"F6",  L"F7",  L"F8",  L"F9",  L"F10", L"F11", L"F12",
    L"F13", L"F14", L"F15", L"F16", L"F17", L"F18", L"F19", L"F20", L"F21", L"F22", L"F23", L"F24"};
const wchar_t* const NumpadNames[10] = {L"Numpad0", L"Numpad1", L"Numpad2", L"Numpad3", L"Numpad4",
                                        L"Numpad5", L"Numpad6", L"Numpad7", L"Numpad8", L"Numpad9"};
const wchar_t* const CharacterNames[36] = {L"A", L"B", L"C", L"D", L"E", L"F", L"G", L"H", L"I",
                                           L"J", L"K", L"L", L"M", L"N", L"O", L"P", L"Q", L"R",
                                           L"S", L"T", L"U", L"V", L"W", L"X", L"Y", L"Z", L"0",
                                           L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9"};

wchar_t Lower(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// True when the part (not terminated) is name in any letter case.
bool SameName(const wchar_t* part, std::size_t length, const wchar_t* name) {
    std::size_t i = 0;
    for (; i < length; ++i)
        if (!name[i] || Lower(part[i]) != Lower(name[i]))
            return false;
    return name[i] == 0;
}

// The value of one to maxDigits decimal digits, or -1 for any other text.
int DigitsValue(const wchar_t* text, std::size_t length, std::size_t maxDigits) {
    if (length < 1 || length > maxDigits)
        return -1;
    int value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return -1;
        value = value * 10 + (text[i] - L'0');
    }
    return value;
}

// A decimal number of one or two digits from 1 to limit, without a leading zero, or 0.
int SmallNumber(const wchar_t* text, std::size_t length, int limit) {
    const int value = length > 0 && text[0] != L'0' ? DigitsValue(text, length, 2) : -1;
    return value >= 1 && value <= limit ? value : 0;
}

// The key of a "vkXX" name: from the tables when it is one of them, with no name.
StrokeKey VirtualKeyOf(int virtualKey);

// The key that a part names (the modifiers too, as a key of their own), or false.
bool KeyOfName(const wchar_t* part, std::size_t length, StrokeKey* key) {
    if (length == 1) {
        const wchar_t c = part[0];
        const wchar_t upper = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
        if (upper >= L'A' && upper <= L'Z') {
            *key = {CharacterNames[upper - L'A'], static_cast<WORD>(upper),
                    static_cast<WORD>(LetterScanCodes[upper - L'A']), false};
            return true;
        }
        if (c >= L'0' && c <= L'9') {
            *key = {CharacterNames[26 + c - L'0'], static_cast<WORD>(c),
                    static_cast<WORD>(DigitScanCodes[c - L'0']), false};
            return true;
        }
        return false;
    }
    const int function = Lower(part[0]) == L'f' ? SmallNumber(part + 1, length - 1, 24) : 0;
    if (function > 0) {
        *key = {FunctionNames[function - 1], static_cast<WORD>(VK_F1 + function - 1),
                static_cast<WORD>(FunctionScanCodes[function - 1]), false};
        return true;
    }
    if (length == 7 && SameName(part, 6, L"Numpad") && part[6] >= L'0' && part[6] <= L'9') {
        const int digit = part[6] - L'0';
        *key = {NumpadNames[digit], static_cast<WORD>(VK_NUMPAD0 + digit),
                static_cast<WORD>(NumpadScanCodes[digit]), false};
        return true;
    }
    if (length == 4 && Lower(part[0]) == L'v' && Lower(part[1]) == L'k') {
        const int high = HexDigitValue(part[2]), low = HexDigitValue(part[3]);
        const int virtualKey = high * 16 + low;
        if (high < 0 || low < 0 || virtualKey == 0 || virtualKey == 0xFF)
            return false;
        *key = VirtualKeyOf(virtualKey);
        return true;
    }
    for (const StrokeKey& named : NamedKeys)
        if (SameName(part, length, named.Name)) {
            *key = named;
            return true;
        }
    for (const StrokeKey& modifier : ModifierKeys)
        if (SameName(part, length, modifier.Name)) {
            *key = modifier;
            return true;
        }
    for (int i = 0; i < 4; ++i)
        if (SameName(part, length, LeftModifierNames[i])) {
            *key = ModifierKeys[i * 2];
            return true;
        }
    return false;
}

StrokeKey VirtualKeyOf(int virtualKey) {
    StrokeKey key{};
    for (const StrokeKey& named : NamedKeys)
        if (named.VirtualKey == virtualKey)
            return {nullptr, named.VirtualKey, named.ScanCode, named.Extended};
    for (const StrokeKey& modifier : ModifierKeys)
        if (modifier.VirtualKey == virtualKey)
            return {nullptr, modifier.VirtualKey, modifier.ScanCode, modifier.Extended};
    if ((virtualKey >= L'A' && virtualKey <= L'Z') || (virtualKey >= L'0' && virtualKey <= L'9')) {
        const wchar_t character = static_cast<wchar_t>(virtualKey);
        KeyOfName(&character, 1, &key);
    } else if (virtualKey >= VK_F1 && virtualKey <= VK_F24) {
        key = {nullptr, static_cast<WORD>(virtualKey),
               static_cast<WORD>(FunctionScanCodes[virtualKey - VK_F1]), false};
    } else if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_NUMPAD9) {
        key = {nullptr, static_cast<WORD>(virtualKey),
               static_cast<WORD>(NumpadScanCodes[virtualKey - VK_NUMPAD0]), false};
    } else {
        key = {nullptr, static_cast<WORD>(virtualKey), 0, false};
    }
    key.Name = nullptr;
    return key;
}

bool SameKey(const StrokeKey& a, const StrokeKey& b) {
    return a.VirtualKey == b.VirtualKey;
}

bool IsModifier(const StrokeKey& key) {
    for (const StrokeKey& modifier : ModifierKeys)
        if (SameKey(modifier, key))
            return true;
    return false;
}

void Fail(SendVerdict* verdict, SendProblem problem, int word, std::size_t at, std::size_t length) {
    verdict->Problem = problem;
    verdict->Word = word;
    verdict->PartAt = at;
    verdict->PartLen = length;
}

// The count after "*" (one to three digits, 1 to 100), or 0.
int RepeatCount(const wchar_t* digits, std::size_t length) {
    const int value = DigitsValue(digits, length, 3);
    return value >= 1 && value <= MaxStrokeRepeat ? value : 0;
}

// Reads one stroke word: parts joined by "+", the last one the key, and an optional "*N".
bool ReadStroke(const wchar_t* word, int index, Stroke* stroke, SendVerdict* verdict) {
    std::size_t length = 0;
    while (word[length])
        ++length;
    std::size_t end = 0;
    while (end < length && word[end] != L'*')
        ++end;
    stroke->Repeat = 1;
    stroke->ModifierCount = 0;
    if (end < length) {
        stroke->Repeat = RepeatCount(word + end + 1, length - end - 1);
        if (stroke->Repeat == 0) {
            Fail(verdict, SendProblem::BadCount, index, end, length - end);
            return false;
        }
    }
    for (std::size_t start = 0;;) {
        std::size_t stop = start;
        while (stop < end && word[stop] != L'+')
            ++stop;
        StrokeKey key{};
        SendProblem problem = SendProblem::None;
        const bool last = stop == end;
        if (stop == start)
            problem = SendProblem::EmptyPart;
        else if (!KeyOfName(word + start, stop - start, &key))
            problem = SendProblem::UnknownName;
        else if (!last && !IsModifier(key))
            problem = SendProblem::NotModifier;
        for (int i = 0; i < stroke->ModifierCount && problem == SendProblem::None; ++i)
            if (SameKey(stroke->Modifiers[i], key))
                problem = SendProblem::RepeatedModifier;
        if (problem != SendProblem::None) {
            Fail(verdict, problem, index, start, stop - start);
            return false;
        }
        if (last) {
            stroke->Key = key;
            return true;
        }
        stroke->Modifiers[stroke->ModifierCount++] = key;
        start = stop + 1;
    }
}

struct EventWriter {
    SendEvent* Events;
    std::size_t Capacity;
    std::size_t Count;

    void Add(WORD virtualKey, WORD scanCode, DWORD flags) {
        if (Events && Count < Capacity)
            Events[Count] = {virtualKey, scanCode, flags};
        ++Count;
    }
    void Key(const StrokeKey& key, bool release) {
        Add(key.VirtualKey, key.ScanCode,
            (key.Extended ? KEYEVENTF_EXTENDEDKEY : 0) | (release ? KEYEVENTF_KEYUP : 0));
    }
};

void WriteItem(const SendItem& item, EventWriter* writer) {
    if (item.IsText) {
        for (const wchar_t* c = item.Text; *c; ++c) {
            writer->Add(0, *c, KEYEVENTF_UNICODE);
            writer->Add(0, *c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
        }
        return;
    }
    const Stroke& stroke = item.Keys;
    for (int n = 0; n < stroke.Repeat; ++n) {
        for (int i = 0; i < stroke.ModifierCount; ++i)
            writer->Key(stroke.Modifiers[i], false);
        writer->Key(stroke.Key, false);
        writer->Key(stroke.Key, true);
        for (int i = stroke.ModifierCount; i > 0; --i)
            writer->Key(stroke.Modifiers[i - 1], true);
    }
}

void Append(wchar_t* out, std::size_t capacity, std::size_t* used, const wchar_t* text) {
    for (; *text && *used + 1 < capacity; ++text)
        out[(*used)++] = *text;
    out[*used] = 0;
}

} // namespace

int SplitArguments(wchar_t* line, wchar_t** words, int capacity) {
    wchar_t* in = line;
    // The program name: no escapes, quotes only group.
    for (bool quoted = false; *in && (quoted || (*in != L' ' && *in != L'\t')); ++in)
        if (*in == L'"')
            quoted = !quoted;
    if (*in)
        ++in; // the blank after the name: its end is written there at the latest
    int count = 0;
    wchar_t* out = line;
    for (;;) {
        while (*in == L' ' || *in == L'\t')
            ++in;
        if (!*in)
            return count;
        if (count < capacity)
            words[count] = out;
        ++count;
        bool quoted = false;
        while (*in && (quoted || (*in != L' ' && *in != L'\t'))) {
            if (*in == L'\\') {
                std::size_t backslashes = 0;
                while (in[backslashes] == L'\\')
                    ++backslashes;
                const bool beforeQuote = in[backslashes] == L'"';
                const std::size_t kept = beforeQuote ? backslashes / 2 : backslashes;
                for (std::size_t i = 0; i < kept; ++i)
                    *out++ = L'\\';
                in += backslashes;
                if (beforeQuote && backslashes % 2)
                    *out++ = *in++; // an escaped quote; an unescaped one is read next
            } else if (*in == L'"' && quoted && in[1] == L'"') {
                *out++ = L'"';
                in += 2;
            } else if (*in == L'"') {
                quoted = !quoted;
                ++in;
            } else {
                *out++ = *in++;
            }
        }
        const bool last = *in == 0;
        *out++ = 0;
        if (last)
            return count;
        ++in;
    }
}

bool ReadSendItem(const wchar_t* const* words, int count, int* next, SendItem* item,
                  SendVerdict* verdict) {
    const int index = (*next)++;
    const wchar_t* word = words[index];
    if (SameName(word, 6, L"--text") && word[6] == 0) {
        if (*next >= count) {
            Fail(verdict, SendProblem::NoText, index, 0, 6);
            return false;
        }
        item->IsText = true;
        item->Text = words[(*next)++];
        return true;
    }
    item->IsText = false;
    item->Text = nullptr;
    return ReadStroke(word, index, &item->Keys, verdict);
}

SendVerdict DecideSend(const wchar_t* const* words, int count, SendEvent* events,
                       std::size_t capacity) {
    SendVerdict verdict{SendProblem::None, -1, 0, 0, 0};
    if (count <= 0) {
        Fail(&verdict, SendProblem::NoWords, -1, 0, 0);
        return verdict;
    }
    EventWriter writer{events, capacity, 0};
    int next = 0;
    while (next < count) {
        SendItem item{};
        if (!ReadSendItem(words, count, &next, &item, &verdict))
            return verdict;
        WriteItem(item, &writer);
    }
    verdict.EventCount = writer.Count;
    return verdict;
}

std::size_t ReleaseHeldModifiers(unsigned held, SendEvent* events) {
    EventWriter writer{events, ModifierKeyCount + 2, 0};
    // Alt and RAlt are bits 4 and 5, Win and RWin bits 6 and 7.
    if (held & 0xF0) {
        writer.Add(MaskingVirtualKey, 0, 0);
        writer.Add(MaskingVirtualKey, 0, KEYEVENTF_KEYUP);
    }
    for (int i = 0; i < ModifierKeyCount; ++i)
        if (held & (1u << i))
            writer.Key(ModifierKeys[i], true);
    return writer.Count;
}

WORD ModifierVirtualKey(int index) {
    return ModifierKeys[index].VirtualKey;
}

void StrokeName(const Stroke& stroke, wchar_t* out, std::size_t capacity) {
    std::size_t used = 0;
    if (capacity == 0)
        return;
    out[0] = 0;
    static const wchar_t hex[] = L"0123456789ABCDEF";
    for (int i = 0; i <= stroke.ModifierCount; ++i) {
        const StrokeKey& key = i < stroke.ModifierCount ? stroke.Modifiers[i] : stroke.Key;
        if (i > 0)
            Append(out, capacity, &used, L"+");
        if (key.Name) {
            Append(out, capacity, &used, key.Name);
        } else {
            const wchar_t name[5] = {L'v', L'k', hex[(key.VirtualKey >> 4) & 15],
                                     hex[key.VirtualKey & 15], 0};
            Append(out, capacity, &used, name);
        }
    }
}

const wchar_t* SendProblemText(SendProblem problem) {
    switch (problem) {
    case SendProblem::None:
        break;
    case SendProblem::NoWords:
        return L"there is nothing to send";
    case SendProblem::UnknownName:
        return L"is not the name of a key or a modifier";
    case SendProblem::NotModifier:
        return L"is a key, not a modifier: only the last part of a stroke is its key";
    case SendProblem::EmptyPart:
        return L"has an empty part between the + signs";
    case SendProblem::RepeatedModifier:
        return L"names the same modifier twice";
    case SendProblem::BadCount:
        return L"is not a count from 1 to 100";
    case SendProblem::NoText:
        return L"needs the text after it";
    }
    return L"";
}

const wchar_t SendUsageText[] =
    L"KeyloftSend STROKE...    for example Ctrl+Shift+Esc  win+d  Volume_Up*3\r\n"
    L"KeyloftSend --text \"TEXT\"    types the text as it stands\r\n"
    L"\r\n"
    L"A stroke is modifiers and one key joined by +, in any letter case; STROKE*N sends it\r\n"
    L"N times (1 to 100).\r\n"
    L"Modifiers: Ctrl Alt Shift Win, LCtrl RCtrl LAlt RAlt LShift RShift LWin RWin.\r\n"
    L"Keys: A-Z 0-9 F1-F24 Enter Esc Tab Space Backspace Delete Insert Home End PgUp PgDn\r\n"
    L"Up Down Left Right PrintScreen Pause CapsLock NumLock ScrollLock Apps Numpad0-Numpad9\r\n"
    L"Volume_Up Volume_Down Volume_Mute Media_Next Media_Prev Media_Stop Media_Play_Pause\r\n"
    L"Browser_Back Browser_Forward Browser_Refresh Browser_Stop Browser_Search\r\n"
    L"Browser_Favorites Browser_Home Launch_Mail Launch_Media Launch_App1 Launch_App2 Sleep,\r\n"
    L"and vkXX for any other virtual key (two hexadecimal digits).";

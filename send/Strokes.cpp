#include "send/Strokes.h"

#include "util/KeyTable.h"

namespace {

StrokeKey StrokeKeyOf(const KeyInfo& key) {
    return {nullptr, key.VirtualKey, key.ScanCode, (key.Flags & KeyExtended) != 0};
}

void Fail(SendVerdict* verdict, SendProblem problem, int word, std::size_t at, std::size_t length) {
    verdict->Problem = problem;
    verdict->Word = word;
    verdict->PartAt = at;
    verdict->PartLen = length;
}

SendProblem SendProblemOfStroke(StrokeProblem problem) {
    switch (problem) {
    case StrokeProblem::None:
        break;
    case StrokeProblem::UnknownName:
        return SendProblem::UnknownName;
    case StrokeProblem::NotModifier:
        return SendProblem::NotModifier;
    case StrokeProblem::EmptyPart:
        return SendProblem::EmptyPart;
    case StrokeProblem::RepeatedModifier:
        return SendProblem::RepeatedModifier;
    case StrokeProblem::BadCount:
    case StrokeProblem::CountNotTaken: // KeyloftSend takes counts: never given
        return SendProblem::BadCount;
    }
    return SendProblem::None;
}

// Reads one stroke word with its optional count.
bool ReadStroke(const wchar_t* word, int index, Stroke* stroke, SendVerdict* verdict) {
    std::size_t length = 0;
    while (word[length])
        ++length;
    StrokeFault fault{};
    if (ReadStrokeWord(word, length, true, *stroke, fault))
        return true;
    Fail(verdict, SendProblemOfStroke(fault.Problem), index, fault.PartAt, fault.PartLength);
    return false;
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
    if (SameKeyName(word, 6, L"--text") && word[6] == 0) {
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
            writer.Key(StrokeKeyOf(ModifierKeyTable[i].Key), true);
    return writer.Count;
}

WORD ModifierVirtualKey(int index) {
    return ModifierKeyTable[index].Key.VirtualKey;
}

const wchar_t* SendProblemText(SendProblem problem) {
    switch (problem) {
    case SendProblem::None:
        break;
    case SendProblem::NoWords:
        return L"there is nothing to send";
    case SendProblem::UnknownName:
        return StrokeProblemText(StrokeProblem::UnknownName);
    case SendProblem::NotModifier:
        return StrokeProblemText(StrokeProblem::NotModifier);
    case SendProblem::EmptyPart:
        return StrokeProblemText(StrokeProblem::EmptyPart);
    case SendProblem::RepeatedModifier:
        return StrokeProblemText(StrokeProblem::RepeatedModifier);
    case SendProblem::BadCount:
        return StrokeProblemText(StrokeProblem::BadCount);
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

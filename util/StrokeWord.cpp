#include "util/StrokeWord.h"

#include "util/IntegerText.h"

namespace {

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

StrokeKey StrokeKeyOf(const KeyInfo& key, const wchar_t* name) {
    return {name, key.VirtualKey, key.ScanCode, (key.Flags & KeyExtended) != 0};
}

bool IsModifier(const StrokeKey& key) {
    for (const ModifierKeyInfo& modifier : ModifierKeyTable)
        if (modifier.Key.VirtualKey == key.VirtualKey)
            return true;
    return false;
}

bool Fail(StrokeFault& fault, StrokeProblem problem, std::size_t at, std::size_t length) {
    fault = {problem, at, length};
    return false;
}

} // namespace

bool StrokeKeyOfName(const wchar_t* part, std::size_t length, StrokeKey& key) {
    if (length == 4 && SameKeyName(part, 2, L"vk")) {
        const int high = HexDigitValue(part[2]), low = HexDigitValue(part[3]);
        const int virtualKey = high * 16 + low;
        if (high < 0 || low < 0 || virtualKey == 0 || virtualKey == 0xFF)
            return false;
        const KeyInfo* known = KeyOfVirtualKey(static_cast<unsigned>(virtualKey));
        key = known ? StrokeKeyOf(*known, nullptr)
                    : StrokeKey{nullptr, static_cast<WORD>(virtualKey), 0, false};
        return true;
    }
    const KeyInfo* named = KeyNamed(part, length);
    if (!named)
        return false;
    key = StrokeKeyOf(*named, named->Name);
    return true;
}

bool ReadStrokeWord(const wchar_t* word, std::size_t length, bool counted, Stroke& stroke,
                    StrokeFault& fault) {
    std::size_t end = 0;
    while (end < length && word[end] != L'*')
        ++end;
    stroke.Repeat = 1;
    stroke.ModifierCount = 0;
    if (end < length) {
        if (!counted)
            return Fail(fault, StrokeProblem::CountNotTaken, end, length - end);
        const int count = DigitsValue(word + end + 1, length - end - 1, 3);
        if (count < 1 || count > MaxStrokeRepeat)
            return Fail(fault, StrokeProblem::BadCount, end, length - end);
        stroke.Repeat = count;
    }
    for (std::size_t start = 0;;) {
        std::size_t stop = start;
        while (stop < end && word[stop] != L'+')
            ++stop;
        StrokeKey key{};
        StrokeProblem problem = StrokeProblem::None;
        const bool last = stop == end;
        if (stop == start)
            problem = StrokeProblem::EmptyPart;
        else if (!StrokeKeyOfName(word + start, stop - start, key))
            problem = StrokeProblem::UnknownName;
        else if (!last && !IsModifier(key))
            problem = StrokeProblem::NotModifier;
        for (int i = 0; i < stroke.ModifierCount && problem == StrokeProblem::None; ++i)
            if (stroke.Modifiers[i].VirtualKey == key.VirtualKey)
                problem = StrokeProblem::RepeatedModifier;
        if (problem != StrokeProblem::None)
            return Fail(fault, problem, start, stop - start);
        if (last) {
            stroke.Key = key;
            return true;
        }
        stroke.Modifiers[stroke.ModifierCount++] = key;
        start = stop + 1;
    }
}

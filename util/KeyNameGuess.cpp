#include "util/KeyNameGuess.h"

#include "util/TextBuffer.h"

namespace {

// Room for the longest name and its L-form; a word longer than a name by more than the edits it
// may take is near no name, so no longer word is ever compared.
constexpr std::size_t MaxCompared = 32;

constexpr std::size_t NameLength(const wchar_t* name) {
    std::size_t length = 0;
    while (name && name[length])
        ++length;
    return length;
}

constexpr std::size_t LongestName() {
    std::size_t longest = 0;
    for (const KeyInfo& key : KeyTable)
        longest = NameLength(key.Name) > longest ? NameLength(key.Name) : longest;
    for (const ModifierKeyInfo& modifier : ModifierKeyTable)
        longest = NameLength(modifier.Key.Name) + 1 > longest ? NameLength(modifier.Key.Name) + 1
                                                              : longest;
    return longest;
}

static_assert(LongestName() < MaxCompared, "every name fits the comparison's rows");

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// The edits a word of length characters may take to be near a name.
std::size_t EditsAllowed(std::size_t length) {
    return length < 3 ? 0 : length < 8 ? 1 : length / 4;
}

// True when the digits of a and b, in order, are the same.
bool SameDigits(const wchar_t* a, std::size_t aLength, const wchar_t* b, std::size_t bLength) {
    std::size_t i = 0, j = 0;
    for (;;) {
        while (i < aLength && !IsDigit(a[i]))
            ++i;
        while (j < bLength && !IsDigit(b[j]))
            ++j;
        if (i == aLength || j == bLength)
            return i == aLength && j == bLength;
        if (a[i++] != b[j++])
            return false;
    }
}

// The fewest edits (insert, delete, replace, swap of neighbours) from word to name, letters in
// any case; both at most MaxCompared characters. Three rows of the usual table over the word.
std::size_t Edits(const wchar_t* word, std::size_t n, const wchar_t* name, std::size_t m) {
    std::size_t rows[3][MaxCompared + 1];
    std::size_t *before = rows[0], *last = rows[1], *row = rows[2];
    for (std::size_t j = 0; j <= n; ++j)
        last[j] = j;
    for (std::size_t i = 1; i <= m; ++i) {
        row[0] = i;
        for (std::size_t j = 1; j <= n; ++j) {
            const bool same = LowerKeyLetter(name[i - 1]) == LowerKeyLetter(word[j - 1]);
            std::size_t best = last[j - 1] + (same ? 0 : 1);
            if (last[j] + 1 < best)
                best = last[j] + 1;
            if (row[j - 1] + 1 < best)
                best = row[j - 1] + 1;
            if (i > 1 && j > 1 && LowerKeyLetter(name[i - 1]) == LowerKeyLetter(word[j - 2]) &&
                LowerKeyLetter(name[i - 2]) == LowerKeyLetter(word[j - 1]) &&
                before[j - 2] + 1 < best)
                best = before[j - 2] + 1;
            row[j] = best;
        }
        std::size_t* const oldest = before;
        before = last;
        last = row;
        row = oldest;
    }
    return last[n];
}

struct Search {
    const wchar_t* Word;
    std::size_t Length;
    std::size_t BestEdits;
    KeyNameGuess Best;

    void Try(const KeyInfo& key, bool leftForm) {
        wchar_t name[MaxCompared];
        std::size_t m = 0;
        if (leftForm)
            name[m++] = L'L';
        for (const wchar_t* c = key.Name; *c; ++c)
            name[m++] = *c;
        if (!SameDigits(Word, Length, name, m))
            return;
        const std::size_t edits = Edits(Word, Length, name, m);
        if (edits < BestEdits) {
            BestEdits = edits;
            Best = {&key, leftForm};
        }
    }
};

} // namespace

KeyNameGuess NearestKeyName(const wchar_t* word, std::size_t length) {
    const std::size_t allowed = EditsAllowed(length);
    if (allowed == 0 || length > MaxCompared || length > LongestName() + allowed)
        return {nullptr, false};
    Search search{word, length, allowed + 1, {nullptr, false}};
    for (const KeyInfo& key : KeyTable)
        if (key.Name)
            search.Try(key, false);
    for (int i = 0; i < ModifierKeyCount; ++i) {
        search.Try(ModifierKeyTable[i].Key, false);
        // The left key of each pair (even places) by its other name, as KeyNamed takes it.
        if (i % 2 == 0)
            search.Try(ModifierKeyTable[i].Key, true);
    }
    return search.Best;
}

bool WriteNoSuchKey(const WrongKeyName& wrong, wchar_t* out, std::size_t capacity) {
    if (capacity == 0)
        return false;
    out[0] = 0;
    if (wrong.PartAt > wrong.WordLength || wrong.PartLength > wrong.WordLength - wrong.PartAt)
        return false;
    const wchar_t* part = wrong.Word + wrong.PartAt;
    const KeyNameGuess guess = NearestKeyName(part, wrong.PartLength);
    if (!guess.Key)
        return false;
    TextBuffer text{out, capacity, 0};
    AddText(text, part, wrong.PartLength);
    if (wrong.PartLength < wrong.WordLength) {
        AddText(text, L" (in \u00AB");
        AddText(text, wrong.Word, wrong.WordLength);
        AddText(text, L"\u00BB)");
    }
    AddText(text, L": no such key; did you mean ");
    if (guess.LeftForm)
        AddText(text, L"L");
    AddText(text, guess.Key->Name);
    AddText(text, L"?");
    return true;
}

// KeyloftSend's decision from the words of its command line to key events, or to the first
// wrong word; the release of held modifiers; the names the checker shows.
#include "send/Strokes.h"
#include "util/KeyNameGuess.h"
#include "util/KeyTable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

namespace {

// Events as "vk/scan" in hexadecimal with e (extended), c (character) and u (key-up) after them.
std::string Format(const SendEvent* events, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        char one[32];
        std::snprintf(one, sizeof one, "%s%X/%X%s%s%s", i ? " " : "", events[i].VirtualKey,
                      events[i].ScanCode, events[i].Flags & KEYEVENTF_EXTENDEDKEY ? "e" : "",
                      events[i].Flags & KEYEVENTF_UNICODE ? "c" : "",
                      events[i].Flags & KEYEVENTF_KEYUP ? "u" : "");
        text += one;
    }
    return text;
}

struct SendCase {
    std::vector<const wchar_t*> Words;
    std::string Events; // the events, or for a wrong word the problem's place: "word at+length"
    SendProblem Problem = SendProblem::None;
    const wchar_t* Guess = nullptr; // a name that is no key's: the sentence offering the nearest
};

const SendCase Cases[] = {
    {{L"win+d"}, "5B/5Be 44/20 44/20u 5B/5Beu"},
    {{L"ALT+f4"}, "A4/38 73/3E 73/3Eu A4/38u"},
    {{L"RCtrl+RAlt+Delete"}, "A3/1De A5/38e 2E/53e 2E/53eu A5/38eu A3/1Deu"},
    {{L"LShift+RShift+LWin+RWin+Up"},
     "A0/2A A1/36 5B/5Be 5C/5Ce 26/48e 26/48eu 5C/5Ceu 5B/5Beu A1/36u A0/2Au"},
    {{L"Volume_Up*2", L"Media_Play_Pause"}, "AF/30e AF/30eu AF/30e AF/30eu B3/22e B3/22eu"},
    {{L"numpad7", L"F24", L"PrintScreen", L"Sleep", L"Apps", L"NumLock", L"Pause"},
     "67/47 67/47u 87/76 87/76u 2C/37e 2C/37eu 5F/5Fe 5F/5Feu 5D/5De 5D/5Deu 90/45e 90/45eu "
     "13/45 13/45u"},
    {{L"Browser_Home", L"Launch_App2", L"z", L"0", L"Backspace"},
     "AC/32e AC/32eu B7/21e B7/21eu 5A/2C 5A/2Cu 30/B 30/Bu 8/E 8/Eu"},
    // vkXX: the tables' scan code when they know the key, else none (the system's is taken).
    {{L"vk7b", L"vkE8", L"ctrl"}, "7B/58 7B/58u E8/0 E8/0u A2/1D A2/1Du"},
    {{L"--text", L"\u00E9\U0001F600", L"Enter"},
     "0/E9c 0/E9cu 0/D83Dc 0/D83Dcu 0/DE00c 0/DE00cu "
     "D/1C D/1Cu"},
    {{L"--TEXT", L""}, ""},
    // Wrong words.
    {{}, "-1 0+0", SendProblem::NoWords},
    {{L"Enter", L"Ctrl+Shft+A"},
     "1 5+4",
     SendProblem::UnknownName,
     L"Shft (in \u00ABCtrl+Shft+A\u00BB): no such key; did you mean Shift?"},
    {{L"Media_Nxt"},
     "0 0+9",
     SendProblem::UnknownName,
     L"Media_Nxt: no such key; did you mean Media_Next?"},
    {{L"ENTR"}, "0 0+4", SendProblem::UnknownName, L"ENTR: no such key; did you mean Enter?"},
    {{L"lshfit+Tab"},
     "0 0+6",
     SendProblem::UnknownName,
     L"lshfit (in \u00ABlshfit+Tab\u00BB): no such key; did you mean LShift?"},
    // Too far from every name (three edits from Media_Prev), or too short to guess.
    {{L"Media_Pla"}, "0 0+9", SendProblem::UnknownName},
    {{L"Ctrl+Xy"}, "0 5+2", SendProblem::UnknownName},
    {{L"A+B"}, "0 0+1", SendProblem::NotModifier},
    {{L"Ctrl++B"}, "0 5+0", SendProblem::EmptyPart},
    {{L"+B"}, "0 0+0", SendProblem::EmptyPart},
    {{L"Ctrl+"}, "0 5+0", SendProblem::EmptyPart},
    {{L"Ctrl+LCtrl+A"}, "0 5+5", SendProblem::RepeatedModifier},
    {{L"Win+LWin"}, "0 4+4", SendProblem::RepeatedModifier},
    {{L"A*0"}, "0 1+2", SendProblem::BadCount},
    {{L"A*101"}, "0 1+4", SendProblem::BadCount},
    {{L"A*"}, "0 1+1", SendProblem::BadCount},
    {{L"A*1x"}, "0 1+3", SendProblem::BadCount},
    {{L"A*-1"}, "0 1+3", SendProblem::BadCount},
    {{L"F25"}, "0 0+3", SendProblem::UnknownName},
    {{L"F0"}, "0 0+2", SendProblem::UnknownName},
    {{L"vk00"}, "0 0+4", SendProblem::UnknownName},
    {{L"vkFF"}, "0 0+4", SendProblem::UnknownName},
    {{L"vkG1"}, "0 0+4", SendProblem::UnknownName},
    {{L"Numpad10"}, "0 0+8", SendProblem::UnknownName},
    {{L"Enter", L"--text"}, "1 0+6", SendProblem::NoText},
};

TEST(SendStrokes, WordsGiveTheirEventsOrTheFirstWrongWord) {
    for (const SendCase& c : Cases) {
        SCOPED_TRACE(c.Events);
        const int count = static_cast<int>(c.Words.size());
        const SendVerdict counted = DecideSend(c.Words.data(), count, nullptr, 0);
        std::vector<SendEvent> events(counted.EventCount + 1);
        const SendVerdict verdict = DecideSend(c.Words.data(), count, events.data(), events.size());
        EXPECT_EQ(verdict.Problem, c.Problem);
        if (c.Problem == SendProblem::None) {
            EXPECT_EQ(Format(events.data(), verdict.EventCount), c.Events);
            EXPECT_EQ(verdict.EventCount, counted.EventCount);
        } else {
            EXPECT_EQ(std::to_string(verdict.Word) + " " + std::to_string(verdict.PartAt) + "+" +
                          std::to_string(verdict.PartLen),
                      c.Events);
            EXPECT_EQ(verdict.EventCount, 0u) << "nothing is sent";
        }
        if (c.Problem == SendProblem::UnknownName) {
            const std::wstring word = c.Words[verdict.Word];
            wchar_t sentence[128];
            EXPECT_EQ(WriteNoSuchKey({word.c_str(), word.size(), verdict.PartAt, verdict.PartLen},
                                     sentence, 128),
                      c.Guess != nullptr);
            EXPECT_EQ(std::wstring(sentence), c.Guess ? c.Guess : L"");
        }
    }
    const wchar_t* hundred[] = {L"Ctrl+A*100"};
    EXPECT_EQ(DecideSend(hundred, 1, nullptr, 0).EventCount, 400u);
}

TEST(SendStrokes, HeldModifiersAreReleasedWithTheMaskBeforeWinOrAlt) {
    SendEvent events[ModifierKeyCount + 2];
    EXPECT_EQ(Format(events, ReleaseHeldModifiers(0, events)), "");
    EXPECT_EQ(Format(events, ReleaseHeldModifiers(1u << 0, events)), "A0/2Au");
    EXPECT_EQ(Format(events, ReleaseHeldModifiers((1u << 2) | (1u << 6), events)),
              "E8/0 E8/0u A2/1Du 5B/5Beu");
    EXPECT_EQ(Format(events, ReleaseHeldModifiers(0xFF, events)),
              "E8/0 E8/0u A0/2Au A1/36u A2/1Du A3/1Deu A4/38u A5/38eu 5B/5Beu 5C/5Ceu");
}

// The checker and the key tester name each key by the word KeyloftSend takes for it: every such
// word sends exactly that key, and no two keys share a code or a name.
TEST(SendStrokes, EveryKeysWordSendsThatKey) {
    std::set<std::uint32_t> codes;
    std::set<std::wstring> words;
    auto check = [&](const KeyInfo& key) {
        EXPECT_TRUE(codes.insert(KeyCodeOfKey(key)).second) << std::hex << KeyCodeOfKey(key);
        wchar_t vkWord[5];
        const wchar_t* word = SendWordOf(key, vkWord);
        if (!word)
            return;
        EXPECT_TRUE(words.insert(word).second) << word;
        // A name is nearest to itself: no other name takes its place in a guess.
        if (key.Name && std::wcslen(word) >= 3) {
            EXPECT_EQ(NearestKeyName(word, std::wcslen(word)).Key, &key) << word;
        }
        SendEvent events[3];
        ASSERT_EQ(DecideSend(&word, 1, events, 3).EventCount, 2u) << word;
        const SendEvent sent{key.VirtualKey, key.ScanCode,
                             (key.Flags & KeyExtended) ? DWORD{KEYEVENTF_EXTENDEDKEY} : 0};
        EXPECT_EQ(Format(events, 1), Format(&sent, 1)) << word;
    };
    for (const KeyInfo& key : KeyTable)
        check(key);
    for (const ModifierKeyInfo& modifier : ModifierKeyTable)
        check(modifier.Key);
    EXPECT_EQ(words.count(L"vk6A"), 1u) << "the keypad's * has no name but a virtual key";
    EXPECT_EQ(words.count(L"Launch_App2"), 1u);
}

TEST(SendStrokes, StrokeNamesAreWrittenAsUsersKnowThem) {
    const wchar_t* words[] = {L"ctrl+SHIFT+esc*3", L"lwin+vk7b", L"rALT+volume_up", L"f13"};
    const wchar_t* names[] = {L"Ctrl+Shift+Esc", L"Win+vk7B", L"RAlt+Volume_Up", L"F13"};
    int next = 0;
    for (const wchar_t* name : names) {
        SendItem item{};
        SendVerdict verdict{};
        ASSERT_TRUE(ReadSendItem(words, 4, &next, &item, &verdict));
        wchar_t text[64];
        StrokeName(item.Keys, text, 64);
        EXPECT_EQ(std::wstring(text), name);
    }
    EXPECT_EQ(next, 4);
}

} // namespace

namespace {

TEST(SendStrokes, CommandLinesSplitAsTheRuntimeSplitsThem) {
    const struct {
        const wchar_t* Line;
        std::vector<std::wstring> Words;
    } cases[] = {
        {L"KeyloftSend.exe", {}},
        {L"\"C:\\My Tools\\KeyloftSend.exe\" Ctrl+A  \tEnter ", {L"Ctrl+A", L"Enter"}},
        {L"x --text \"Kind regards, Anna\"", {L"--text", L"Kind regards, Anna"}},
        {L"x a\"b c\"d \"\"", {L"ab cd", L""}},
        {L"x \\\\\" \\\" \\\\\\\"x\" a\\b", {L"\\ \" \\\"x", L"a\\b"}},
        {L"x \"say \"\"hi\"\"\"", {L"say \"hi\""}},
    };
    for (const auto& c : cases) {
        std::wstring line = c.Line;
        wchar_t* words[16];
        const int count = SplitArguments(&line[0], words, 16);
        EXPECT_EQ(std::vector<std::wstring>(words, words + count), c.Words) << c.Words.size();
    }
}

} // namespace

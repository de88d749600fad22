#include "check/SendLine.h"

#include "check/KeyNames.h"
#include "check/Output.h"
#include "send/FindProgram.h"
#include "send/Strokes.h"
#include "send/Switch.h"
#include "util/Utils.h"

#include <windows.h>

#include <vector>

namespace {

// The parameters split into words as KeyloftSend splits its command line.
struct SendWords {
    explicit SendWords(const std::wstring& parameters) : Line(L"KeyloftSend " + parameters) {
        std::vector<wchar_t*> words(Line.size() / 2 + 2);
        const int count = SplitArguments(&Line[0], words.data(), static_cast<int>(words.size()));
        Words.assign(words.begin(), words.begin() + count);
    }

    int Count() const { return static_cast<int>(Words.size()); }

    bool Switches() const { return !Words.empty() && std::wstring(Words[0]) == L"--switch"; }

    std::wstring Line; // the words point into it
    std::vector<const wchar_t*> Words;
};

// "switches to or starts «C:\Windows\notepad.exe» with parameters «x.txt»", the program as the
// system finds it.
std::wstring DescribeSwitch(const SendWords& words, const std::wstring& parameters) {
    if (words.Count() < 2)
        return L"runs KeyloftSend --switch, which is given no program";
    std::wstring found(32768, L'\0');
    if (FindProgram(words.Words[1], &found[0], static_cast<DWORD>(found.size())))
        found.resize(found.find(L'\0'));
    else
        found = words.Words[1];
    std::wstring text = L"switches to or starts " + Quote(found);
    // The words' line is split in place: the parameters come from a fresh copy.
    const std::wstring line = L"KeyloftSend " + parameters;
    std::vector<wchar_t> scratch(line.size() + 1);
    std::vector<wchar_t*> split(line.size() / 2 + 2);
    const std::wstring rest = WordsFrom(line.c_str(), 2, scratch.data(), split.data());
    if (!rest.empty())
        text += L" with parameters " + Quote(rest);
    return text;
}

} // namespace

bool IsSendProgram(const BindingAction& action) {
    if (action.Kind != BindingKind::Command)
        return false;
    const std::wstring name = FileNameOf(action.Program);
    for (const wchar_t* program : {L"KeyloftSend", L"KeyloftSend.exe"})
        if (CompareStringOrdinal(name.c_str(), -1, program, -1, TRUE) == CSTR_EQUAL)
            return true;
    return false;
}

std::wstring DescribeSend(const BindingAction& action) {
    const SendWords words(action.Parameters);
    if (words.Switches())
        return DescribeSwitch(words, action.Parameters);
    const SendVerdict verdict = DecideSend(words.Words.data(), words.Count(), nullptr, 0);
    if (verdict.Problem != SendProblem::None)
        return L"runs KeyloftSend, which sends nothing: a word is wrong";
    std::wstring text = L"sends ";
    for (int next = 0; next < words.Count();) {
        SendItem item{};
        SendVerdict ignored{};
        if (next > 0)
            text += L", then ";
        ReadSendItem(words.Words.data(), words.Count(), &next, &item, &ignored);
        if (item.IsText) {
            text += L"the text " + Quote(item.Text);
            continue;
        }
        wchar_t name[256];
        StrokeName(item.Keys, name, 256);
        text += name;
        if (item.Keys.Repeat > 1)
            text += L" \u00D7" + std::to_wstring(item.Keys.Repeat);
    }
    return text;
}

std::wstring SendProblemOf(const BindingAction& action) {
    if (!IsSendProgram(action))
        return L"";
    const SendWords words(action.Parameters);
    if (words.Switches())
        return words.Count() < 2 ? L"KeyloftSend --switch is given no program: it starts nothing "
                                   L"and shows a message."
                                 : L"";
    const SendVerdict verdict = DecideSend(words.Words.data(), words.Count(), nullptr, 0);
    if (verdict.Problem == SendProblem::None)
        return L"";
    const std::wstring ending = L": KeyloftSend sends nothing and shows a message.";
    if (verdict.Word < 0)
        return L"KeyloftSend is given no stroke and no text" + ending;
    const std::wstring word = words.Words[verdict.Word];
    if (verdict.Problem == SendProblem::UnknownName) {
        // KeyloftSend's own sentence for a misspelt key name, with the name nearest to it.
        const std::wstring guess = NoSuchKeyText(word, verdict.PartAt, verdict.PartLen);
        if (!guess.empty())
            return guess + L" KeyloftSend sends nothing and shows a message.";
    }
    const std::wstring part = verdict.PartLen ? Quote(word.substr(verdict.PartAt, verdict.PartLen))
                                              : std::wstring(L"the stroke");
    return L"in the word " + Quote(word) + L", " + part + L" " + SendProblemText(verdict.Problem) +
           ending;
}

std::wstring SwitchProgramOf(const BindingAction& action) {
    if (!IsSendProgram(action))
        return L"";
    const SendWords words(action.Parameters);
    return words.Switches() && words.Count() >= 2 ? words.Words[1] : L"";
}

#include "check/ActingLine.h"

#include "check/Checks.h"
#include "check/KeyNames.h"
#include "check/Output.h"
#include "hook/HookKeys.h"
#include "mapping/Config.h"
#include "util/StrokeText.h"

namespace {

ActingValue ReadValue(const std::wstring& value) {
    return ReadActingValue(value.c_str(), value.size());
}

std::wstring StrokeWords(const Stroke& stroke) {
    wchar_t name[128];
    StrokeName(stroke, name, 128);
    return name;
}

// A binding of a tap or a hold in words: the stroke it acts as, or what it does.
std::wstring PressWords(const std::wstring& value) {
    const ActingValue acting = ReadValue(value);
    return acting.Read == ActingRead::Acts ? StrokeWords(acting.Acts) : DescribeBinding(value);
}

} // namespace

const wchar_t ActingLibraryWarning[] =
    L"\u00ABas\u00BB bindings work only with the kbhook.dll that comes with Keyloft: the keyboard "
    L"vendor's library reports extra keys only, and Keyloft.exe would try to run "
    L"\u00ABas \u2026\u00BB as a program.";

bool IsActingValue(const std::wstring& value) {
    return ReadValue(value).Read == ActingRead::Acts;
}

std::wstring DescribePress(const std::wstring& value) {
    const ActingValue acting = ReadValue(value);
    return acting.Read == ActingRead::Acts ? L"acts as " + StrokeWords(acting.Acts) + L" while held"
                                           : DescribeBinding(value);
}

std::wstring DescribeActing(std::uint32_t code, const std::wstring& value) {
    const std::uint32_t tapCode = code & ~LongPressBit;
    const std::wstring tap = code == tapCode ? value : ReadSetting(KeyText(tapCode), L"");
    const std::wstring hold =
        code == tapCode ? ReadSetting(KeyText(code | LongPressBit), L"") : value;
    const bool tapBound = IsBindingValue(tap.c_str(), tap.size());
    const bool holdBound = IsBindingValue(hold.c_str(), hold.size());
    if (holdBound && (IsActingValue(tap) || IsActingValue(hold)))
        return L"tapped: " +
               (tapBound ? PressWords(tap) : std::wstring(L"gives the key's own press back")) +
               L"; held: " + PressWords(hold);
    return IsActingValue(value) ? DescribePress(value) : L"";
}

std::wstring ActingProblemOf(const std::wstring& value, bool doublePress) {
    const ActingValue acting = ReadValue(value);
    if (acting.Read == ActingRead::NotActing)
        return L"";
    const std::wstring program = Quote(value.substr(0, 2));
    if (doublePress)
        return L"a double press cannot act as another key: the line is a command line, which "
               L"runs " +
               program + L".";
    if (acting.Read == ActingRead::Words)
        return L"a key acts as one stroke, written as one word (Ctrl+Home): with more words the "
               L"line is a command line, which runs " +
               program + L".";
    if (acting.Read != ActingRead::WrongWord)
        return L"";
    const std::wstring word = value.substr(acting.WordAt, acting.WordLength);
    const StrokeFault& fault = acting.Fault;
    const std::wstring ending = L"he line is a command line, which runs " + program + L".";
    if (fault.Problem == StrokeProblem::UnknownName) {
        // The sentence of KeyloftSend's warning for a misspelt key name, with the nearest one.
        const std::wstring guess = NoSuchKeyText(word, fault.PartAt, fault.PartLength);
        if (!guess.empty())
            return guess + L" T" + ending;
    }
    const std::wstring part = fault.PartLength ? Quote(word.substr(fault.PartAt, fault.PartLength))
                                               : std::wstring(L"the stroke");
    return L"in the word " + Quote(word) + L", " + part + L" " + StrokeProblemText(fault.Problem) +
           L": t" + ending;
}

#include "check/Checks.h"

#include "check/ActingLine.h"
#include "check/KeyNames.h"
#include "check/Output.h"
#include "check/ProgramSearch.h"
#include "check/SendLine.h"
#include "hook/Pause.h"
#include "mapping/Binding.h"
#include "mapping/Config.h"
#include "mapping/KeyPress.h"
#include "util/Settings.h"
#include "util/Utils.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwctype>
#include <map>

namespace {

std::wstring Upper(const std::wstring& text) {
    std::wstring result;
    for (const wchar_t c : text)
        result += static_cast<wchar_t>(std::towupper(c));
    return result;
}

// The code a key name (without its "+") stands for, when the name is key text: the form that
// the program looks up, so that "41" or "00041" never match.
bool KeyCodeOf(const std::wstring& name, std::uint32_t& code) {
    if (name.size() < 4 || name.size() > 8 ||
        name.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos)
        return false;
    code = static_cast<std::uint32_t>(std::wcstoul(name.c_str(), nullptr, 16));
    return KeyText(static_cast<std::int32_t>(code)) == Upper(name);
}

std::wstring Describe(const BindingAction& action) {
    switch (action.Kind) {
    case BindingKind::Nothing:
        break;
    case BindingKind::KeyEvent: {
        wchar_t text[64];
        std::swprintf(text, 64, L"sends a key-down with scan code 0x%02X",
                      static_cast<unsigned>(action.ScanCode));
        return text;
    }
    case BindingKind::Command: {
        if (IsSendProgram(action))
            return DescribeSend(action);
        const bool runs = IsExecutableName(action.Program);
        std::wstring text = (runs ? L"runs " : L"opens ") + Quote(action.Program);
        if (!action.Parameters.empty())
            text += L" with parameters " + Quote(action.Parameters);
        if (runs && !action.Directory.empty())
            text += L" in " + Quote(action.Directory);
        return text;
    }
    }
    return L"nothing";
}

bool SameAction(const BindingAction& a, const BindingAction& b) {
    return a.Kind == b.Kind && a.ScanCode == b.ScanCode && a.Program == b.Program &&
           a.Parameters == b.Parameters && a.Directory == b.Directory;
}

// A first word that reads as a number although the value is no key event: "30", "x1E", "0x",
// "0x1E h".
bool LooksLikeNumber(const std::wstring& value) {
    const std::wstring word = value.substr(0, value.find(L' '));
    std::int32_t ignored = 0;
    return word.find_first_of(L"0123456789") != std::wstring::npos &&
           (ParseInteger(word, ignored) || word == L"0x" || word == L"0X");
}

bool IsSetting(const std::wstring& key, const wchar_t* name) {
    return CompareStringOrdinal(key.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
}

// "Line 12: E06C+, double press: " for a binding line, "Line 3: RepeatDelay " for a setting.
std::wstring Heading(const IniLine& line) {
    const std::wstring start = L"Line " + std::to_wstring(line.Number) + L": ";
    for (const wchar_t* setting : SettingNames)
        if (IsSetting(line.Key, setting))
            return start + setting + L" ";
    const bool doublePress = !line.Key.empty() && line.Key.back() == L'+';
    std::uint32_t code = 0;
    const std::wstring name = doublePress ? line.Key.substr(0, line.Key.size() - 1) : line.Key;
    if (KeyCodeOf(name, code) && IsPossibleCode(code) && HasWords(code))
        return start + Upper(line.Key) + L", " + CodeName(code) +
               (doublePress             ? L", double press: "
                : IsLongPressCode(code) ? L": "
                                        : L", single press: ");
    return start + Upper(line.Key) + (doublePress ? L", double press: " : L", single press: ");
}

struct Checker {
    CheckReport Report;
    bool ActingSeen = false; // a line acts as a stroke
    bool MouseBound = false; // a line binds a code of the mouse's

    void Warn(int line, const wchar_t* kind, const std::wstring& text) {
        Report.Warnings.push_back({line, kind, text});
    }

    void CheckProgram(const IniLine& line, const std::wstring& program) {
        if (!ProgramFound(program))
            Warn(line.Number, L"program",
                 Quote(program) + L" is neither a file at that path nor found on the search path "
                                  L"(fine if the shell knows it as a URL or a registered name).");
    }

    // programFound: the program is not looked for, as a warning said what the line runs.
    void CheckBindingValue(const IniLine& line, const std::wstring& value, bool programFound) {
        const BindingAction action = DecideBinding(value);
        // What the user meant: the quoted text as one program, single quotes as double ones.
        const std::wstring inner = WithoutEnclosingQuotes(line.Written);
        const BindingAction meant = DecideBinding(L"\"" + inner + L"\"");
        if (inner != line.Written && !SameAction(action, meant)) {
            Warn(line.Number, L"quotes",
                 L"the whole value is inside one pair of quotes, which are dropped when it is "
                 L"read: it " +
                     Describe(action) + L" instead. Quote only the program, or write two pairs.");
            return;
        }
        if (action.Kind != BindingKind::Command)
            return;
        if (!SendProblemOf(action).empty())
            Warn(line.Number, L"send", SendProblemOf(action));
        if (LooksLikeNumber(value)) {
            Warn(line.Number, L"number",
                 Quote(value) + L" looks like a number but is a command line: it runs " +
                     Quote(action.Program) +
                     L". A key event starts with the digit zero and is a whole number, such as "
                     L"0x1E or 030.");
        } else if (!programFound) {
            CheckProgram(line, action.Program);
        }
        if (!SwitchProgramOf(action).empty())
            CheckProgram(line, SwitchProgramOf(action));
        for (size_t i = value.find(L';'); i != std::wstring::npos; i = value.find(L';', i + 1))
            if (i > 0 && (value[i - 1] == L' ' || value[i - 1] == L'\t')) {
                Warn(line.Number, L"comment",
                     L"there are no comments at the end of a line: " + Quote(value.substr(i)) +
                         L" is part of the value.");
                break;
            }
    }

    void CheckRepeatDelay(const IniLine& line, const std::wstring& value) {
        std::int32_t delay = 0;
        if (!ParseInteger(value, delay))
            Warn(line.Number, RepeatDelaySetting,
                 Quote(value) + L" is not a whole number: the window is " +
                     std::to_wstring(DefaultRepeatDelayMs) + L" ms.");
        else if (delay == 0)
            Warn(line.Number, RepeatDelaySetting,
                 L"0 gives the shortest window, " + std::to_wstring(ShortestTimerMs) + L" ms.");
        else if (delay < 0)
            Warn(line.Number, RepeatDelaySetting,
                 L"a negative delay makes the double-press window never end.");
    }

    // The library's own reading of the value: the delay it uses.
    void CheckHoldDelay(const IniLine& line, const std::wstring& value) {
        const unsigned long delay = LibraryHoldDelay(value);
        std::int32_t number = 0;
        if (!ParseInteger(value, number))
            Warn(line.Number, HoldDelaySetting,
                 Quote(value) + L" is not a whole number: a long press takes " +
                     std::to_wstring(DefaultHoldDelayMs) + L" ms.");
        else if (static_cast<std::int32_t>(delay) != number)
            Warn(line.Number, HoldDelaySetting,
                 L"kept between " + std::to_wstring(ShortestHoldDelayMs) + L" and " +
                     std::to_wstring(LongestHoldDelayMs) + L": a long press takes " +
                     std::to_wstring(delay) + L" ms.");
    }

    void CheckOnlyActiveUser(const IniLine& line, const std::wstring& value) {
        if (value.empty())
            Warn(line.Number, OnlyActiveUserSetting,
                 L"present and empty: Keyloft ignores every key. Leave the line out or write 1.");
        else if (value == L"0")
            Warn(line.Number, OnlyActiveUserSetting,
                 L"0 switches nothing off: only an empty value counts. Leave the line out or "
                 L"write 1.");
    }

    // The library's own reading of the names: a file name of a program each, as the window in
    // front's program is compared by its file name alone.
    std::wstring DescribePauseIn(const IniLine& line, const std::wstring& value) {
        std::wstring names;
        std::size_t at = 0;
        const wchar_t* name = nullptr;
        std::size_t length = 0;
        while (NextPauseName(value.c_str(), value.size(), at, name, length)) {
            const std::wstring one(name, length);
            names += (names.empty() ? L"" : L", ") + Quote(one);
            if (one.find_first_of(L"\\/:") != std::wstring::npos)
                Warn(line.Number, PauseInSetting,
                     Quote(one) + L" has a folder: only the file name of the program in front is "
                                  L"compared, so write it alone (game.exe).");
            else if (one.size() < 4 || CompareStringOrdinal(one.c_str() + one.size() - 4, 4,
                                                            L".exe", 4, TRUE) != CSTR_EQUAL)
                Warn(line.Number, PauseInSetting,
                     Quote(one) + L" does not end in .exe: a program's file name does "
                                  L"(game.exe), and no other name ever matches.");
        }
        if (names.empty())
            return L"names no program: the keys act in front of every program";
        return L"pauses Keyloft while a window of " + names +
               L" is in front: the keys keep their own action, and Keyloft does nothing";
    }

    std::wstring DescribePauseFullScreen(const IniLine& line, const std::wstring& value) {
        if (value != L"0" && value != L"1")
            Warn(line.Number, PauseFullScreenSetting,
                 Quote(value) + L" is neither 0 nor 1: it counts as " +
                     (PausesFullScreen(value.c_str(), value.size()) ? L"1" : L"0") + L".");
        if (!PausesFullScreen(value.c_str(), value.size()))
            return L"off: the keys act in full-screen windows too";
        return L"pauses Keyloft while the window in front covers its whole monitor without a "
               L"title bar or a sizing border (not the desktop, not the taskbar): the keys keep "
               L"their own action, and Keyloft does nothing";
    }

    // One line that the reader uses; value is what it returns.
    void CheckLine(const IniLine& line, const std::wstring& value) {
        const std::wstring& key = line.Key;
        if (line.ReaderLength > MaxSettingChars)
            Warn(line.Number, L"length",
                 L"the value has " + std::to_wstring(line.ReaderLength) +
                     L" characters; only the first " + std::to_wstring(MaxSettingChars) +
                     L" are read.");
        if (IsSetting(key, RepeatDelaySetting)) {
            Report.Lines.push_back(Heading(line) + Quote(value));
            CheckRepeatDelay(line, value);
            return;
        }
        if (IsSetting(key, HoldDelaySetting)) {
            Report.Lines.push_back(Heading(line) + Quote(value));
            CheckHoldDelay(line, value);
            return;
        }
        if (IsSetting(key, OnlyActiveUserSetting)) {
            Report.Lines.push_back(Heading(line) + Quote(value));
            CheckOnlyActiveUser(line, value);
            return;
        }
        if (IsSetting(key, PauseInSetting)) {
            Report.Lines.push_back(Heading(line) + DescribePauseIn(line, value));
            return;
        }
        if (IsSetting(key, PauseFullScreenSetting)) {
            Report.Lines.push_back(Heading(line) + DescribePauseFullScreen(line, value));
            return;
        }
        const bool doublePress = !key.empty() && key.back() == L'+';
        std::uint32_t code = 0;
        const std::wstring name = doublePress ? key.substr(0, key.size() - 1) : key;
        const bool named = KeyCodeOf(name, code);
        const std::wstring acting = named && !doublePress ? DescribeActing(code, value) : L"";
        Report.Lines.push_back(Heading(line) +
                               (acting.empty() ? Describe(DecideBinding(value)) : acting));
        if (!named)
            Warn(line.Number, L"key",
                 Quote(key) + L" can never match a key: a key is named by at least four "
                              L"hexadecimal digits, as report mode shows them (0041, E06C).");
        else if (code == SleepKeyCode)
            Warn(line.Number, L"key",
                 L"the code 0029 goes back to the hook library as its Sleep key; it never "
                 L"reaches a binding. So the key left of 1 cannot be a trigger alone, though its "
                 L"chords can (20029 is Ctrl with it).");
        else {
            std::wstring kind;
            const std::wstring problem = CodeProblem(code, kind);
            if (!problem.empty())
                Warn(line.Number, kind.c_str(), problem);
            MouseBound = MouseBound || (IsMouseCode(code) && !value.empty());
            if (!doublePress && IsActingValue(value)) {
                ActingSeen = true;
                return; // no command line: nothing of one to check
            }
            const std::wstring acts = ActingProblemOf(value, doublePress);
            if (!acts.empty())
                Warn(line.Number, L"as", acts);
            CheckBindingValue(line, value, !acts.empty());
        }
    }
};

} // namespace

std::wstring DescribeBinding(const std::wstring& value) {
    return Describe(DecideBinding(value));
}

CheckReport CheckConfiguration(const IniSection& section) {
    Checker checker;
    if (!section.Found) {
        checker.Warn(0, L"section", L"the file has no [Keyloft] section: no key is bound.");
        return checker.Report;
    }
    // The lines of each key, by the key's name in one letter case.
    std::map<std::wstring, std::vector<size_t>> byKey;
    for (size_t i = 0; i < section.Lines.size(); ++i)
        byKey[Upper(section.Lines[i].Key)].push_back(i);
    for (size_t i = 0; i < section.Lines.size(); ++i) {
        const IniLine& line = section.Lines[i];
        const std::vector<size_t>& same = byKey[Upper(line.Key)];
        const std::wstring value = ReadSetting(line.Key, L"");
        // The line whose value the reader returned counts; with equal values, the first.
        size_t counts = same.front();
        for (const size_t j : same)
            if (WithoutEnclosingQuotes(section.Lines[j].Written).substr(0, MaxSettingChars) ==
                value) {
                counts = j;
                break;
            }
        if (counts == i) {
            checker.CheckLine(line, value);
            continue;
        }
        const std::wstring other = std::to_wstring(section.Lines[counts].Number);
        checker.Report.Lines.push_back(Heading(line) + L"nothing (line " + other + L" counts)");
        checker.Warn(line.Number, L"duplicate",
                     Quote(line.Key) + L" is written more than once; line " + other +
                         L" is the one that is read.");
    }
    if (checker.ActingSeen)
        checker.Warn(0, L"library", ActingLibraryWarning);
    if (checker.MouseBound)
        checker.Warn(0, L"library",
                     L"the mouse's codes (F004 to F006, F00A to F00D) come only from the "
                     L"kbhook.dll that comes with Keyloft: the keyboard vendor's library reports "
                     L"no mouse button and no wheel.");
    return checker.Report;
}

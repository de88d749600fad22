#include "check/DryRun.h"

#include "check/Checks.h"
#include "check/KeyNames.h"
#include "check/Output.h"
#include "hook/BindingFile.h"
#include "hook/InjectMark.h"
#include "hook/KeyWatch.h"
#include "mapping/Config.h"
#include "shell/AppState.h"
#include "util/IntegerText.h"
#include "util/KeyTable.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

// Events without a wait between them are this far apart.
constexpr DWORD EventGapMs = 10;
// The longest wait one word may ask for: a script of the longest command line stays far within
// the 49 days of the millisecond clock.
constexpr DWORD LongestWaitMs = 600000;
// After the last event, time runs on while something waits, for at most this long.
constexpr DWORD RunOnMs = 60000;
// Steps of the time and injections of the whole run at most, whatever the decision does.
constexpr int MostSteps = 100000;

// One scripted event: a key-down or key-up of a key, or a wait.
struct ScriptEvent {
    bool Wait = false;
    DWORD WaitMs = 0;
    bool Up = false;
    StrokeKey Key{};
};

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

// The milliseconds of a wait: 1 to 7 digits, optionally followed by "ms" in any letter case; -1
// when the word is no wait at all, -2 when it is a number but no wait that the script takes.
long WaitOf(const std::wstring& word) {
    std::size_t digits = 0;
    while (digits < word.size() && word[digits] >= L'0' && word[digits] <= L'9')
        ++digits;
    if (digits == 0)
        return -1;
    const std::wstring rest = word.substr(digits);
    if (!rest.empty() && CompareStringOrdinal(rest.c_str(), -1, L"ms", -1, TRUE) != CSTR_EQUAL)
        return -2;
    std::int32_t wait = 0;
    if (digits > 7 || !ParseIntegerText(word.data(), digits, wait))
        return -2;
    return wait <= static_cast<std::int32_t>(LongestWaitMs) ? wait : -2;
}

// The script's events, or false with the line that names its first wrong word.
bool ReadScript(const std::wstring& script, std::vector<ScriptEvent>& events, std::wstring& wrong) {
    bool afterNumber = false;
    for (std::size_t at = 0; at < script.size();) {
        if (IsBlank(script[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < script.size() && !IsBlank(script[end]))
            ++end;
        const std::wstring word = script.substr(at, end - at);
        at = end;
        // "600 ms": the unit as a word of its own.
        if (afterNumber && CompareStringOrdinal(word.c_str(), -1, L"ms", -1, TRUE) == CSTR_EQUAL) {
            afterNumber = false;
            continue;
        }
        const long wait = WaitOf(word);
        afterNumber = wait >= 0;
        if (wait >= 0) {
            ScriptEvent event;
            event.Wait = true;
            event.WaitMs = static_cast<DWORD>(wait);
            events.push_back(event);
            continue;
        }
        const bool down = word[0] == L'+', up = word[0] == L'-';
        const std::size_t from = down || up ? 1 : 0;
        ScriptEvent event;
        if (!StrokeKeyOfName(word.c_str() + from, word.size() - from, event.Key)) {
            // A misspelt key name: the one sentence that offers the nearest name.
            const std::wstring guess =
                wait == -1 ? NoSuchKeyText(word, from, word.size() - from) : std::wstring();
            if (!guess.empty()) {
                wrong = guess;
                return false;
            }
            wrong = wait == -2 ? Quote(word) +
                                     L" is no wait: a wait is a number of milliseconds "
                                     L"from 0 to " +
                                     std::to_wstring(LongestWaitMs) + L" (600 or 600ms)."
                               : Quote(word) + L" is neither a key (a name that KeyloftSend takes, "
                                               L"such as CapsLock, J or LCtrl, after + for its "
                                               L"key-down and - for its key-up) nor a wait in "
                                               L"milliseconds.";
            return false;
        }
        event.Up = up;
        events.push_back(event);
        if (!down && !up) { // a press and its release
            event.Up = true;
            events.push_back(event);
        }
    }
    return true;
}

// The key table's first word for the key of an event: by its code when that key has the event's
// virtual key, else by the virtual key ("vkE8" for the masking key).
std::wstring EventWord(DWORD virtualKey, DWORD scanCode, DWORD flags) {
    const KeyInfo* key = scanCode ? KeyOfCode(KeyCodeOf(scanCode, flags)) : nullptr;
    if (!key || (key->VirtualKey != virtualKey && key->VirtualKey != LayoutVirtualKey))
        key = KeyOfVirtualKey(virtualKey);
    wchar_t vkWord[5];
    const wchar_t* word = key ? SendWordOf(*key, vkWord) : nullptr;
    if (!word) {
        VirtualKeyWord(virtualKey, vkWord);
        word = vkWord;
    }
    return word;
}

// The dry run's world: the library's state of the keyboard, the file's bindings and the clock.
struct DryRunRecord {
    KeyboardState Keys;
    BoundKeys Bound;
    DWORD Now = 0;
    int Steps = 0;
    std::wstring Out;
};

void Print(DryRunRecord& run, const std::wstring& what) {
    run.Out += std::to_wstring(run.Now) + L" ms  " + what + L"\n";
}

void PrintReports(DryRunRecord& run) {
    KeyReport report;
    while (TakeReport(run.Keys, report)) {
        const std::wstring code = KeyText(static_cast<std::int32_t>(report.Code));
        Print(run, L"reports " + code + L": " + DescribeBinding(ReadSetting(code, L"")));
    }
}

// One event through the decision, as the hook gets it; the applications receive it unless it is
// swallowed.
StreamStep Follow(DryRunRecord& run, const KeyEvent& event) {
    const StreamStep step = FollowKeyEvent(run.Keys, event, run.Bound, {nullptr, nullptr});
    if (!step.Swallow)
        Print(run, ((event.Flags & LLKHF_UP) ? L"-" : L"+") +
                       EventWord(event.VirtualKey, event.ScanCode, event.Flags));
    PrintReports(run);
    return step;
}

// The events the library injects, each coming back through the hook at once, marked, until
// nothing is left to send.
void Inject(DryRunRecord& run) {
    ReplayEvent events[MaxReplayEvents];
    for (std::size_t count;
         run.Steps < MostSteps && (count = NextReplay(run.Keys, run.Now, events)); ++run.Steps)
        for (std::size_t i = 0; i < count; ++i) {
            const ReplayEvent& back = events[i];
            const bool up = (back.Flags & LLKHF_UP) != 0;
            Follow(run, {static_cast<WPARAM>(up ? WM_KEYUP : WM_KEYDOWN), back.VirtualKey,
                         back.ScanCode, back.Flags | LLKHF_INJECTED, run.Now, KeyloftSendMark});
        }
}

// The time steps that fall due until time: each at its exact time.
void RunTimeUntil(DryRunRecord& run, DWORD time) {
    while (run.Steps < MostSteps) {
        const DWORD wait = TimeToWait(run.Keys, run.Now, run.Bound);
        if (wait == INFINITE || wait > time - run.Now)
            break;
        run.Now += wait;
        ++run.Steps;
        const StreamStep step = FollowTime(run.Keys, run.Now, run.Bound, {nullptr, nullptr});
        PrintReports(run);
        if (step.Inject)
            Inject(run);
    }
    run.Now = time;
}

} // namespace

int TryScript(const std::wstring& script) {
    std::vector<ScriptEvent> events;
    std::wstring wrong;
    if (!ReadScript(script, events, wrong)) {
        WriteOut(L"KeyloftCheck --try: " + wrong + L"\n");
        return 2;
    }
    DryRunRecord run;
    if (!LoadBoundKeys(AppState.ConfigPath.c_str(), run.Bound, nullptr)) {
        WriteOut(L"KeyloftCheck --try: there is not enough memory for the bindings.\n");
        return 2;
    }
    DWORD time = 0;
    bool first = true;
    for (const ScriptEvent& event : events) {
        if (event.Wait) {
            time += event.WaitMs;
            first = true; // the wait stands for the gap
            continue;
        }
        time += first ? 0 : EventGapMs;
        first = false;
        RunTimeUntil(run, time);
        const StrokeKey& key = event.Key;
        const StreamStep step = Follow(
            run,
            {static_cast<WPARAM>(event.Up ? WM_KEYUP : WM_KEYDOWN), key.VirtualKey, key.ScanCode,
             (key.Extended ? DWORD{LLKHF_EXTENDED} : 0) | (event.Up ? LLKHF_UP : 0), run.Now, 0});
        if (step.Inject)
            Inject(run);
    }
    RunTimeUntil(run, time + RunOnMs);
    FreeBoundKeys(run.Bound);
    WriteOut(run.Out);
    return 0;
}

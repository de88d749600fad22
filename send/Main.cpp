// KeyloftSend.exe: sends the key strokes and the text that its command line names, for a
// Keyloft binding such as "E022=KeyloftSend.exe Media_Play_Pause". It reads no configuration.
//
// It starts once per key press, so it is small: no C++ library, no exceptions. Every event
// carries KeyloftSendMark, which kbhook.dll passes on untouched, so that a binding that sends
// its own key does not fire itself again.
//
// Exit status: 0 everything was sent, 1 the system took fewer events than it was given, 2 a word
// is wrong (then nothing at all is sent, and one message box names the word).
//
// "KeyloftSend --switch PROGRAM [PARAMETERS]" switches to the program's window instead, or starts
// it (send/SwitchWindows.h has its exit status).
#include "hook/InjectMark.h"
#include "send/Strokes.h"
#include "send/SwitchWindows.h"
#include "util/KeyNameGuess.h"
#include "util/KeyTable.h"
#include "util/TextBuffer.h"

#include <windows.h>

namespace {

constexpr int ExitSent = 0;
constexpr int ExitRefused = 1;
constexpr int ExitWrongWord = 2;
// The wrong word is shown cut to this many characters.
constexpr std::size_t ShownWordChars = 200;

// The sentence on the wrong word: the key name nearest to a misspelt one, or else the word, its
// wrong part and what is wrong with it.
void AddWhatIsWrong(TextBuffer& message, const wchar_t* const* words, const SendVerdict& verdict) {
    static wchar_t guess[ShownWordChars + 128];
    if (verdict.Problem == SendProblem::UnknownName) {
        const wchar_t* word = words[verdict.Word];
        const std::size_t length = static_cast<std::size_t>(lstrlenW(word));
        const WrongKeyName wrong{word, length < ShownWordChars ? length : ShownWordChars,
                                 verdict.PartAt, verdict.PartLen};
        if (WriteNoSuchKey(wrong, guess, sizeof guess / sizeof *guess)) {
            AddText(message, L"KeyloftSend sent nothing. ");
            AddText(message, guess);
            return;
        }
    }
    AddText(message, L"KeyloftSend sent nothing: ");
    if (verdict.Word >= 0) {
        const wchar_t* word = words[verdict.Word];
        AddText(message, L"in the word \u00AB");
        AddText(message, word, ShownWordChars);
        AddText(message, L"\u00BB, ");
        if (verdict.PartLen > 0) {
            AddText(message, L"\u00AB");
            AddText(message, word + verdict.PartAt,
                    verdict.PartLen < ShownWordChars ? verdict.PartLen : ShownWordChars);
            AddText(message, L"\u00BB ");
        } else {
            AddText(message, L"the stroke ");
        }
    }
    AddText(message, SendProblemText(verdict.Problem));
    AddText(message, L".");
}

// The one message box of a wrong word: what is wrong, and the forms that are right.
void ShowWrongWord(const wchar_t* const* words, const SendVerdict& verdict) {
    static wchar_t text[4096];
    TextBuffer message{text, sizeof text / sizeof *text, 0};
    AddWhatIsWrong(message, words, verdict);
    AddText(message, L"\r\n\r\nThe forms that are right:\r\n\r\n");
    AddText(message, SendUsageText);
    MessageBoxW(nullptr, text, L"KeyloftSend", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// The modifier keys that are down now (the chord that fired the binding may still be held), as
// bits in the order of ReleaseHeldModifiers.
unsigned HeldModifiers() {
    unsigned held = 0;
    for (int i = 0; i < ModifierKeyCount; ++i)
        if (GetAsyncKeyState(ModifierVirtualKey(i)) & 0x8000)
            held |= 1u << i;
    return held;
}

void* Allocate(std::size_t count, std::size_t size) {
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * size + 1);
}

// Decides every event first, then hands them all to the system in one call.
int Send(const wchar_t* const* words, int count) {
    const SendVerdict verdict = DecideSend(words, count, nullptr, 0);
    if (verdict.Problem != SendProblem::None) {
        ShowWrongWord(words, verdict);
        return ExitWrongWord;
    }
    SendEvent release[ModifierKeyCount + 2];
    const std::size_t releaseCount = ReleaseHeldModifiers(HeldModifiers(), release);
    const std::size_t total = releaseCount + verdict.EventCount;
    auto* events = static_cast<SendEvent*>(Allocate(verdict.EventCount, sizeof(SendEvent)));
    auto* inputs = static_cast<INPUT*>(Allocate(total, sizeof(INPUT)));
    if (!events || !inputs)
        return ExitRefused;
    DecideSend(words, count, events, verdict.EventCount);
    for (std::size_t i = 0; i < total; ++i) {
        const SendEvent& event = i < releaseCount ? release[i] : events[i - releaseCount];
        KEYBDINPUT& key = inputs[i].ki;
        inputs[i].type = INPUT_KEYBOARD;
        key.wVk = event.VirtualKey;
        key.wScan = event.ScanCode;
        // A vkXX key that no table knows: the scan code of the keyboard layout in use.
        if (key.wScan == 0 && key.wVk != 0 && key.wVk != MaskingVirtualKey)
            key.wScan = static_cast<WORD>(MapVirtualKeyW(key.wVk, MAPVK_VK_TO_VSC));
        key.dwFlags = event.Flags;
        key.dwExtraInfo = KeyloftSendMark;
    }
    const UINT sent = total ? SendInput(static_cast<UINT>(total), inputs, sizeof(INPUT)) : 0;
    return sent < total ? ExitRefused : ExitSent;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    // Split here rather than by shell32's CommandLineToArgvW: loading shell32 costs more than
    // all the rest of the program's start.
    const wchar_t* commandLine = GetCommandLineW();
    const std::size_t length = static_cast<std::size_t>(lstrlenW(commandLine));
    auto* line = static_cast<wchar_t*>(Allocate(length + 1, sizeof(wchar_t)));
    const int capacity = static_cast<int>(length / 2 + 2);
    auto* words =
        static_cast<wchar_t**>(Allocate(static_cast<std::size_t>(capacity), sizeof(wchar_t*)));
    if (!line || !words)
        return ExitRefused;
    lstrcpyW(line, commandLine);
    const int count = SplitArguments(line, words, capacity);
    if (count > 0 && lstrcmpW(words[0], L"--switch") == 0)
        return SwitchToProgram(commandLine, words, count);
    return Send(words, count);
}

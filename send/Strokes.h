// KeyloftSend's decisions without any platform call: the words of its command line turned into
// the key events it injects, or the first word that is wrong.
//
// The program starts once per key press, so nothing here uses the C++ standard library or can
// throw: plain types, counted text, and buffers that the caller owns. The configuration checker
// links the same code to explain a binding that runs KeyloftSend.
#pragma once

#include "hook/InjectMark.h"
#include "util/KeyTable.h"
#include "util/StrokeText.h"

#include <windows.h>

#include <cstddef>

// One keyboard event as SendInput takes it: KEYEVENTF_* flags; for a character (KEYEVENTF_UNICODE)
// the virtual key is 0 and the scan code is the UTF-16 unit.
struct SendEvent {
    WORD VirtualKey;
    WORD ScanCode;
    DWORD Flags;
};

// The problems of a stroke word are those of util/StrokeWord.h, which reads it with its count.
enum class SendProblem {
    None,
    NoWords,          // nothing to send at all
    UnknownName,      // a part is neither a key nor a modifier
    NotModifier,      // "A+B": only the last part is a key
    EmptyPart,        // "Ctrl++A", "+A", "Ctrl+"
    RepeatedModifier, // "Ctrl+Ctrl+A", "Ctrl+LCtrl+A"
    BadCount,         // "*0", "*101", "*x"
    NoText,           // "--text" as the last word
};

// The outcome of reading the words: the first wrong word (its index and the wrong part of it)
// and what is wrong with it, or SendProblem::None and the number of events.
struct SendVerdict {
    SendProblem Problem;
    int Word;            // index of the wrong word
    std::size_t PartAt;  // the wrong part: its first character in the word
    std::size_t PartLen; // and its length
    std::size_t EventCount;
};

// One item of the command line: a stroke, or the text after "--text".
struct SendItem {
    bool IsText;
    const wchar_t* Text;
    Stroke Keys;
};

// Splits the arguments of a command line into words, in place, by the rules of the C runtime and
// CommandLineToArgvW: blanks and tabs separate, double quotes group, 2n backslashes before a
// quote give n and the quote groups, 2n+1 give n and a literal quote, "" inside quotes gives a
// quote. The program name comes first and is skipped: with quotes, up to the next quote. Writes
// at most capacity word pointers into words (each word ends in line); returns the number of
// words, which is at most half the line's length plus one.
int SplitArguments(wchar_t* line, wchar_t** words, int capacity);

// Reads the item that starts at words[*next] and moves *next past it. False with the problem in
// verdict when that word is wrong.
bool ReadSendItem(const wchar_t* const* words, int count, int* next, SendItem* item,
                  SendVerdict* verdict);

// Reads every word and writes the events of all items, in order, into events (up to capacity;
// events may be null to count only). verdict.EventCount is the number they need.
SendVerdict DecideSend(const wchar_t* const* words, int count, SendEvent* events,
                       std::size_t capacity);

// The events that release the held modifier keys (bit i of held: the i-th of ModifierKeyTable,
// Shift, RShift, Ctrl, RCtrl, Alt, RAlt, Win, RWin), with the masking key first when a Win or Alt
// key is among them.
// Writes at most ModifierKeyCount + 2 events; returns their number.
std::size_t ReleaseHeldModifiers(unsigned held, SendEvent* events);
// The virtual key of the i-th modifier key of ReleaseHeldModifiers.
WORD ModifierVirtualKey(int index);

// One sentence on what is wrong, for the message box and the checker.
const wchar_t* SendProblemText(SendProblem problem);

// The forms that are right, a few lines for the message box and the guide.
extern const wchar_t SendUsageText[];

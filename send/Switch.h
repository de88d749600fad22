// KeyloftSend --switch PROGRAM [PARAMETERS]: run or raise. The decisions without platform calls:
// which of the program's windows a press acts on, and where the parameters start in the command
// line. Like the rest of KeyloftSend: no C++ library, nothing that throws.
#pragma once

#include <windows.h>

enum class SwitchStep {
    Start,    // no window: start the program
    Raise,    // bring the window to the front, restored if it is minimized
    Minimize, // the program's only window is in front: minimize it
};

struct SwitchChoice {
    SwitchStep Step;
    int Window; // index into the windows given to DecideSwitch; -1 for Start
};

// windowCount: the program's windows, front to back (the order of EnumWindows, so the first was
// in front most recently); front: the index of the one in front, or -1 when none is.
SwitchChoice DecideSwitch(int windowCount, int front);

// True when the running file at imagePath is the wanted program: the same full path when
// byPath, else the same file name; both without letter case, as Windows compares file names.
bool SameProgram(const wchar_t* imagePath, const wchar_t* wanted, bool byPath);

// True when program names a folder (a full or relative path) rather than a bare name.
bool HasFolder(const wchar_t* program);

// Where the word at index starts in commandLine (counted as SplitArguments counts, after the
// program name), quotes and all, so that the parameters reach the started program exactly as
// written; the end of the line when there are fewer words. scratch holds at least the line's
// length plus one characters, words at least half the line's length plus two pointers.
const wchar_t* WordsFrom(const wchar_t* commandLine, int index, wchar_t* scratch, wchar_t** words);

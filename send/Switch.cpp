#include "send/Switch.h"

#include "send/FindProgram.h"
#include "send/Strokes.h"

SwitchChoice DecideSwitch(int windowCount, int front) {
    if (windowCount <= 0)
        return {SwitchStep::Start, -1};
    if (front < 0 || front >= windowCount)
        return {SwitchStep::Raise, 0};
    if (windowCount == 1)
        return {SwitchStep::Minimize, front};
    // The one furthest back: each press brings up the one that waited longest, so that presses
    // go round all of them.
    const int last = windowCount - 1;
    return {SwitchStep::Raise, front == last ? last - 1 : last};
}

bool SameProgram(const wchar_t* imagePath, const wchar_t* wanted, bool byPath) {
    const wchar_t* running = byPath ? imagePath : FileNamePart(imagePath);
    return CompareStringOrdinal(running, -1, wanted, -1, TRUE) == CSTR_EQUAL;
}

bool HasFolder(const wchar_t* program) {
    return FileNamePart(program) != program;
}

namespace {

// The number of words in the first length characters of the command line.
int WordsIn(const wchar_t* commandLine, int length, wchar_t* scratch, wchar_t** words) {
    for (int i = 0; i < length; ++i)
        scratch[i] = commandLine[i];
    scratch[length] = 0;
    return SplitArguments(scratch, words, length / 2 + 2);
}

} // namespace

const wchar_t* WordsFrom(const wchar_t* commandLine, int index, wchar_t* scratch, wchar_t** words) {
    // The splitting rules live in one place, SplitArguments; a prefix of the line never has fewer
    // words than a shorter one, so the shortest prefix that holds the word ends at its first
    // character.
    const int length = lstrlenW(commandLine);
    if (WordsIn(commandLine, length, scratch, words) <= index)
        return commandLine + length;
    int low = 1; // too short: fewer than index + 1 words
    int high = length;
    if (WordsIn(commandLine, low, scratch, words) > index)
        return commandLine;
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        if (WordsIn(commandLine, middle, scratch, words) > index)
            high = middle;
        else
            low = middle;
    }
    return commandLine + high - 1;
}

// What only the checker and its key tester ask of the library's rules: a code's key text, and
// which key-downs repeat a held key. Apart from the rest, so that kbhook.dll links neither.
#include "hook/HeldKeys.h"
#include "hook/HookKeys.h"

std::size_t KeyTextOf(std::uint32_t code, wchar_t (&text)[KeyTextChars]) {
    std::size_t digits = 4;
    while (digits < 8 && (code >> (4 * digits)) != 0)
        ++digits;
    for (std::size_t i = 0; i < digits; ++i)
        text[i] = L"0123456789ABCDEF"[(code >> (4 * (digits - 1 - i))) & 0xF];
    text[digits] = L'\0';
    return digits;
}

bool IsHeldRepeat(HeldKeys& held, WPARAM message, std::uint32_t code, DWORD time) {
    const std::size_t index = HeldIndex(held, code);
    if (IsKeyUpMessage(message)) {
        if (index != NoHeldKey)
            Forget(held, index);
        return false;
    }
    if (!IsKeyDownMessage(message))
        return false;
    if (index != NoHeldKey) {
        const bool repeat = Repeats(held.Keys[index], time, HeldKeyLapseMs);
        held.Keys[index].LastTime = time;
        return repeat;
    }
    Hold(held, code, time, HeldKeyLapseMs); // all pass here: the oldest is freed when all are taken
    return false;
}

// Carrying out one key binding: a key-down with a scan code, or a command line through the shell.
#pragma once

#include <windows.h>

#include <string>

// What a binding value means, decided without touching the system.
enum class BindingKind { Nothing, KeyEvent, Command };

struct BindingAction {
    BindingKind Kind = BindingKind::Nothing;
    BYTE ScanCode = 0;       // KeyEvent: the low 8 bits of the number
    std::wstring Program;    // Command: first token, quotes removed
    std::wstring Parameters; // Command: the rest, trimmed of blanks
    std::wstring Directory;  // Command: the program's directory, or empty
};

// The action that a binding value (as read from the configuration file) asks for.
BindingAction DecideBinding(const std::wstring& value);

// Takes the code out of slot (leaving 0) and carries out the binding of its key text followed by
// suffix ("" for a single press, "+" for a double press).
void FireBinding(volatile LONG& slot, const std::wstring& suffix);

// The two ways a binding acts on the system. Tests replace them to record what fires.
struct BindingEffects {
    void (*SendKeyDown)(BYTE scanCode);
    void (*RunCommand)(const BindingAction& action);
};
extern BindingEffects Effects;
extern const BindingEffects SystemEffects;

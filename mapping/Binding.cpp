#include "mapping/Binding.h"

#include "mapping/Config.h"
#include "util/Utils.h"

#include <shellapi.h>

#include <cstdint>

namespace {

void SystemSendKeyDown(BYTE scanCode) {
    // One key-down, no virtual-key code, never a matching release.
    keybd_event(0, scanCode, 0, 0);
}

void SystemRunCommand(const BindingAction& action) {
    // Empty texts are passed as empty texts, never as nulls; the outcome is not examined.
    ShellExecuteW(nullptr, L"", action.Program.c_str(), action.Parameters.c_str(),
                  action.Directory.c_str(), SW_SHOWNORMAL);
}

} // namespace

const BindingEffects SystemEffects = {SystemSendKeyDown, SystemRunCommand};
BindingEffects Effects = SystemEffects;

BindingAction DecideBinding(const std::wstring& value) {
    BindingAction action;
    if (value.empty())
        return action;
    std::int32_t number = 0;
    if (value[0] == L'0' && ParseInteger(value, number)) {
        action.Kind = BindingKind::KeyEvent;
        action.ScanCode = static_cast<BYTE>(number & 0xFF);
        return action;
    }
    action.Kind = BindingKind::Command;
    action.Program = CommandToken(value, 0);
    // The blank that ends the program is searched from one past the program's length, counted
    // without the quotes that the token lost.
    const int length = static_cast<int>(value.size());
    const int from = Min(static_cast<int>(action.Program.size()) + 1, 0xFFFF);
    int blank = FindFrom(L" ", value, static_cast<std::uint16_t>(from));
    if (blank == 0)
        blank = length + 1;
    if (blank <= length)
        action.Parameters = TrimChars(value.substr(blank - 1), L" ");
    action.Directory = DirectoryOf(action.Program);
    return action;
}

void FireBinding(volatile LONG& slot, const std::wstring& suffix) {
    const LONG code = InterlockedExchange(&slot, 0);
    if (code == 0)
        return;
    const BindingAction action = DecideBinding(ReadSetting(KeyText(code) + suffix, L""));
    switch (action.Kind) {
    case BindingKind::Nothing:
        break;
    case BindingKind::KeyEvent:
        Effects.SendKeyDown(action.ScanCode);
        break;
    case BindingKind::Command:
        Effects.RunCommand(action);
        break;
    }
}

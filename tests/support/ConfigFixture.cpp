#include "support/ConfigFixture.h"

#include "shell/AppState.h"

#include <cwchar>

ScopedConfig::ScopedConfig(const std::wstring& content, Encoding encoding)
    : SavedPath(AppState.ConfigPath) {
    AppState.ConfigPath = Folder.PathOf(L"Keyloft.ini");
    if (encoding == Utf16)
        WriteUtf16File(AppState.ConfigPath, content);
    else
        WriteAnsiFile(AppState.ConfigPath, content);
}

ScopedConfig::~ScopedConfig() {
    AppState.ConfigPath = SavedPath;
}

std::wstring DescribeAction(const BindingAction& action) {
    switch (action.Kind) {
    case BindingKind::KeyEvent: {
        wchar_t text[16];
        std::swprintf(text, 16, L"key %02X", static_cast<unsigned>(action.ScanCode));
        return text;
    }
    case BindingKind::Command:
        return L"run [" + action.Program + L"] [" + action.Parameters + L"] [" + action.Directory +
               L"]";
    case BindingKind::Nothing:
        break;
    }
    return std::wstring();
}

namespace {

void RecordKeyDown(BYTE scanCode) {
    BindingAction action;
    action.Kind = BindingKind::KeyEvent;
    action.ScanCode = scanCode;
    RecordedEffects::Log().push_back(DescribeAction(action));
}

void RecordCommand(const BindingAction& action) {
    RecordedEffects::Log().push_back(DescribeAction(action));
}

} // namespace

RecordedEffects::RecordedEffects() : Saved(Effects) {
    Log().clear();
    Effects = BindingEffects{RecordKeyDown, RecordCommand};
}

RecordedEffects::~RecordedEffects() {
    Effects = Saved;
}

std::vector<std::wstring>& RecordedEffects::Log() {
    static std::vector<std::wstring> log;
    return log;
}

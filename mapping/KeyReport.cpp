#include "mapping/KeyReport.h"

#include "mapping/Config.h"
#include "shell/AppState.h"
#include "util/TextCodec.h"
#include "util/Utils.h"
#include "util/WrapLines.h"

#include <windows.h>

namespace {

constexpr UINT ReportStyle = MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL | MB_HELP; // 0x5040
constexpr int ValueWidth = 90;

} // namespace

void AppendAssignment(std::wstring& text, const std::wstring& key) {
    const std::wstring value = ReadSetting(key, std::wstring());
    if (value.empty())
        return;
    const std::wstring wrapped =
        FromAnsi(WrapLines(ToAnsi(value), "\n    ", SpaceAndFullStop(), ValueWidth));
    text += L"\n\n";
    text += L"    ";
    text += wrapped;
}

std::wstring KeyReportText(std::int32_t code, std::int32_t secondValue) {
    // The code is written exactly as the configuration file names the key, so that the user
    // can copy it as it stands.
    std::wstring text = L"You have pressed a key with the following scan code:\n\n    ";
    text += KeyText(code);
    text += L"\t\t\t\t\t\t\tlP=";
    text += DecimalText(secondValue);
    text += L"\n\nBind it by putting on the left side of the equality sign in the config file (";
    text += FileNameOf(AppState.ConfigPath);
    text += L").\nDouble-click on the tray icon to open that file.";

    std::wstring assignments;
    AppendAssignment(assignments, KeyText(code));
    AppendAssignment(assignments, KeyText(code) + L"+");
    if (!assignments.empty()) {
        text += L"\n\n";
        text += L"Current assignments:";
        text += assignments;
    }
    return text;
}

void ShowKeyReport(std::int32_t code, std::int32_t secondValue) {
    MessageBoxW(AppState.MainWindow, KeyReportText(code, secondValue).c_str(),
                AppState.Title.c_str(), ReportStyle);
}

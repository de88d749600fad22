#include "shell/ErrorReport.h"

#include "shell/AppState.h"
#include "util/Clipboard.h"
#include "util/ErrorText.h"

#include <windows.h>

namespace {

constexpr UINT ReportStyle = MB_YESNO | MB_ICONERROR | MB_SYSTEMMODAL | MB_HELP; // 0x5014

} // namespace

void ReportFatalError() {
    std::wstring details;
    // The code that the failing step left, not what the throw and the purge of quit messages
    // made of it since.
    RestoreRaisedLastError();
    ExceptionDetails(details);
    details += L"\n\nCopy this to the clipboard?\nPress Help to visit the project's homepage.";
    // Without a main window (start-up failed before it existed) the box has no owner. A handle
    // whose window is already gone would make the box fail, and the report would be lost.
    HWND owner =
        AppState.MainWindow && IsWindow(AppState.MainWindow) ? AppState.MainWindow : nullptr;
    const int answer = MessageBoxW(owner, details.c_str(), AppState.Title.c_str(), ReportStyle);
    if (answer != IDYES)
        return;
    // Built anew: the copy carries the last-error code as it stands now.
    std::wstring copy;
    ExceptionDetails(copy);
    CopyTextToClipboard(copy);
}

#include "util/TrayIcon.h"

void SetTrayIcon(NOTIFYICONDATAW& data, HICON icon) {
    data.hIcon = icon;
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

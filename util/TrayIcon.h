// Changing the image of a notification-area icon.
#pragma once

#include <windows.h>
#include <shellapi.h>

// Stores icon in data and sends the whole record again (NIM_MODIFY); the result is not examined.
void SetTrayIcon(NOTIFYICONDATAW& data, HICON icon);

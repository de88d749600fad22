// A program with one plain top-level window and no child window, for the tests of kbhook.dll's
// pause: a window that takes the front with no focus event. It runs until it is ended.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    if (!CreateWindowExW(0, L"STATIC", L"plain window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 10,
                         200, 100, nullptr, nullptr, instance, nullptr))
        return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}

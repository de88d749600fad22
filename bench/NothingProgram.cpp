// A GUI program that does nothing but say that it has started: SendBench's yardstick for the cost
// of starting any program through the shell. Built like KeyloftSend.exe (no C++ library).
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
#ifdef WITH_USER32
    // Loads user32, as every program with a window or a message box does.
    GetAsyncKeyState(VK_SHIFT);
#endif
    HANDLE started = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"KeyloftSendBenchStarted");
    if (started)
        SetEvent(started);
    return 0;
}

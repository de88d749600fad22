// Program entry of Keyloft.exe. No command-line argument is read.
#include "shell/LifeCycle.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    return RunKeyloft();
}

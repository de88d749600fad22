#include "util/Wine.h"

#include <windows.h>

bool RunsUnderWine() {
    // A plain flag rather than a guarded static: kbhook.dll links no C++ runtime. Two threads
    // asking at once both find the same answer.
    static int wine = -1;
    if (wine < 0)
        wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine != 0;
}

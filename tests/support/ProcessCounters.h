// What a process holds, read from outside: its handles, its top-level windows, its GDI objects
// and its memory. Each figure says which counter it comes from, because Wine leaves several of
// the usual ones unimplemented: GetProcessHandleCount gives 0, GetGuiResources fails and
// PrivateUsage reads 0. There the system handle list and PagefileUsage stand in.
#pragma once

#include <windows.h>

#include <string>

struct ProcessFigure {
    bool Known = false;
    unsigned long long Value = 0;
    const char* Source = "none"; // the counter it was read from
};

struct ProcessCounters {
    ProcessFigure Handles;
    ProcessFigure Windows;
    ProcessFigure GdiObjects;
    ProcessFigure Memory; // bytes
};

// Reads every figure of the process with this id.
ProcessCounters ReadProcessCounters(DWORD processId);

// The process's top-level windows, visible or not, counted with EnumWindows.
unsigned CountProcessWindows(DWORD processId);

// "123" or "n/a" for a figure that could not be read; memory in KiB.
std::string FigureText(const ProcessFigure& figure, bool kibibytes = false);

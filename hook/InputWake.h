// Wakes kbhook.dll's reader on the desktop's input while nothing else would: the watch over the
// hook sleeps while the hook sees no keys, and a hook the system removed sees none; the
// following of the window in front sleeps while the desktop is idle, and a click may bring
// another window to the front. The reader asks for the keyboard's and the mouse's raw input, on
// a message-only window of its own, only while it sleeps: the first event wakes it, and from
// then on the devices are left alone, so that typing and moving the mouse cost no wake-up each.
// The system posts raw input without waiting for the reader, so a reader held up in a read of
// the file holds up no input.
//
// Raw input is asked for by the process, one window per device: the library takes it over from
// its host while it runs (Keyloft asks for none) and gives back only what is still its own.
#pragma once

#include <windows.h>

struct InputWake {
    HWND Sink = nullptr; // receives WM_INPUT
    bool Keyboard = false;
    bool Mouse = false;
};

// Makes the window; false when it cannot, and then no input wakes the reader.
bool StartInputWake(InputWake& wake, HMODULE module);

// Asks for the keyboard's and the mouse's input, or stops asking, as each is wanted now.
void WakeOnInput(InputWake& wake, bool keyboard, bool mouse);

// True when the WM_INPUT message's input came from a keyboard.
bool IsKeyboardInput(LPARAM input);

// Stops asking for input and destroys the window.
void StopInputWake(InputWake& wake);

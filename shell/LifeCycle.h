// The program's life cycle: start check, start-up, message loop, shutdown and restart.
#pragma once

// The whole program: start check, start-up, loop, error report and shutdown. Returns the exit
// status, which is always 0.
int RunKeyloft();

// True when this instance may run: no other instance and no vendor tray program.
bool CanStart();

// Acquires everything in its fixed order; raises Exception on the first failure.
void StartUp();

// Runs until Quitting is set or the quit message arrives.
void MessageLoop();

// Releases everything held, in its fixed order; raises nothing; may run twice.
void ShutDown();

// ShutDown, clear Quitting, StartUp. Called from the window procedure only.
void Restart();

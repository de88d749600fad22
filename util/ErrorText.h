// The text of the error report: the current error's details and the system's error texts.
#pragma once

#include <windows.h>

#include <string>

// The system's text for an error code, without trailing blanks, control characters and full
// stops; empty when the system has none or it does not fit 255 characters.
void SystemErrorText(DWORD code, std::wstring& text);

// The details of the error being handled (or of "No exception." when there is none): kind,
// raise address, wrapped message, the thread's last-error code and its system text.
void ExceptionDetails(std::wstring& text);

// Gives the thread back the last-error code kept by the error being handled when the program
// raised it; for errors of other kinds and without a current error, the code stays as it is.
// Its last step is the one that sets the code, so the caller reads it next.
void RestoreRaisedLastError();

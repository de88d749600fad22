// The error report shown once when an error ends start-up or the message loop.
#pragma once

// Shows the current error's details and copies them to the clipboard on Yes.
void ReportFatalError();

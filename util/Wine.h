// Whether the process runs under Wine, where some system answers are stubs: the session of a
// process and the console's session, for one, never agree there. Plain code: kbhook.dll links it.
#pragma once

// True under Wine; asked of the system once.
bool RunsUnderWine();

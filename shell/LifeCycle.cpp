#include "shell/LifeCycle.h"

int RunKeyloft() { return 0; }

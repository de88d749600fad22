#include "shell/TrayRetry.h"

TrayRetryStep StepAfterTrayAdd(const TrayRetryRecord& retry, bool added) {
    if (!retry.Running)
        return added ? TrayRetryStep::Keep : TrayRetryStep::Start;
    if (added || retry.Ticks >= TrayRetryTickLimit)
        return TrayRetryStep::Stop;
    return TrayRetryStep::Keep;
}

#include "Timer.h"

#include <FixedPositions.h>
#include <exceptions.h>

namespace Trevan {

Timer::Timer(bool manualReset) : SyncObject(CreateWaitableTimerA(nullptr, manualReset, nullptr)) {}

bool Timer::Set(LONGLONG dueTime, LONG period) {
    LARGE_INTEGER due;
    due.QuadPart = dueTime;
    CheckSystemCall(SetWaitableTimer(handle_, &due, period, nullptr, nullptr, FALSE), FixedAt::kTrevanSetTimer);
    return true;
}

bool Timer::Cancel() {
    CheckSystemCall(CancelWaitableTimer(handle_), FixedAt::kTrevanCancelTimer);
    return true;
}

}  // namespace Trevan

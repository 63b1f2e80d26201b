#include "Timer.h"

#include <exceptions.h>

#include "Source.h"

namespace Trevan {

Timer::Timer(bool manualReset) : SyncObject(CreateWaitableTimerA(nullptr, manualReset, nullptr)) {}

bool Timer::Set(LONGLONG dueTime, LONG period) {
    LARGE_INTEGER due;
    due.QuadPart = dueTime;
    CheckSystemCall(SetWaitableTimer(handle_, &due, period, nullptr, nullptr, FALSE), kSource, 219);
    return true;
}

bool Timer::Cancel() {
    CheckSystemCall(CancelWaitableTimer(handle_), kSource, 223);
    return true;
}

}  // namespace Trevan

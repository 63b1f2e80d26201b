// An unnamed waitable timer.
//
// A failed creation leaves the timer empty and throws nothing; Set and
// Cancel throw WindowsError on failure.
#pragma once

#include "SyncObject.h"

namespace Trevan {

class Timer : public SyncObject {
public:
    explicit Timer(bool manualReset);
    explicit Timer(HANDLE handle) : SyncObject(handle) {}
    Timer(const Timer& other) = default;  // duplicates

    // dueTime in 100-nanosecond units, negative for a time relative to now;
    // period in milliseconds, 0 to fire once. A suspended machine is not
    // woken.
    bool Set(LONGLONG dueTime, LONG period);
    bool Cancel();
};

}  // namespace Trevan

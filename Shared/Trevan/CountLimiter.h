// Admits at most Limit() holders at a time and serves waiters first come,
// first served.
//
// Acquire hands out a waitable: it is already signalled when a slot was
// free, otherwise it becomes signalled when the slot is granted (by Release
// or a raised limit), in arrival order. The caller holds a slot once its
// wait on it succeeds, and gives it back with exactly one Release. Waiting
// never happens under the lock: each caller waits on its own duplicate.
//
// An empty waitable (IsValid false) means no event could be made: nothing
// was counted or queued. A Release when no slot is in use is ignored and
// returns false, so that a stray call cannot wrap the count and block every
// later grant. Raising the limit grants waiters only while fewer holders
// than the new limit are in; lowering it takes nothing back. Destruction
// sets every waiting event, so all waiters proceed.
#pragma once

#include <windows.h>

#include <vec.h>

#include "CriticalSection.h"
#include "Event.h"

namespace Trevan {

class CountLimiter {
public:
    explicit CountLimiter(unsigned limit);
    virtual ~CountLimiter();
    CountLimiter(const CountLimiter&) = delete;
    CountLimiter& operator=(const CountLimiter&) = delete;

    // Returns the old limit.
    virtual unsigned SetLimit(unsigned limit);
    virtual unsigned Limit() const { return limit_; }
    virtual unsigned InUse() const { return inUse_; }
    virtual int Waiting();
    virtual SyncObject Acquire();
    virtual bool Release();

private:
    void GrantWaiters();

    CriticalSection lock_;
    volatile unsigned inUse_;
    volatile unsigned limit_;
    ivec<Event> waiting_;  // owned events, in arrival order
};

}  // namespace Trevan

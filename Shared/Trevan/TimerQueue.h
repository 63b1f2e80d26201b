// A thread-pool timer queue and its timers.
//
// A queue whose creation failed is invalid and throws nothing; its Delete
// hands back a completion event that is already set. CreateTimer throws
// WindowsError when the timer cannot be made; the caller owns the timer.
//
// Delete (of a queue or a timer) returns a shared completion event that
// becomes signalled once every callback of the object has finished; a
// failure other than "callbacks still running" throws WindowsError.
// Destruction deletes and waits for that event, so it blocks while a
// callback runs: never delete or destroy a queue or timer from inside one of
// its own callbacks. Delete a queue's timers before the queue.
#pragma once

#include <windows.h>

#include "SyncRef.h"

namespace Trevan {

class TimerQueue {
public:
    class Timer {
    public:
        Timer(HANDLE queue, HANDLE timer) : queue_(queue), timer_(timer) {}
        virtual ~Timer();
        Timer(const Timer&) = delete;
        Timer& operator=(const Timer&) = delete;

        virtual bool IsValid() const { return timer_ != nullptr; }
        virtual SyncRef Delete();

    private:
        HANDLE queue_;
        HANDLE timer_;
    };

    TimerQueue();
    virtual ~TimerQueue();
    TimerQueue(const TimerQueue&) = delete;
    TimerQueue& operator=(const TimerQueue&) = delete;

    virtual bool IsValid() const { return queue_ != nullptr; }
    // dueTime and period in milliseconds (period 0: once); flags WT_*.
    virtual Timer* CreateTimer(WAITORTIMERCALLBACK callback, PVOID parameter, DWORD dueTime,
                               DWORD period, ULONG flags);
    virtual SyncRef Delete();

private:
    HANDLE queue_;
};

}  // namespace Trevan

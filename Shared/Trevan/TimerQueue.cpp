#include "TimerQueue.h"

#include <FixedPositions.h>
#include <exceptions.h>

#include "Event.h"

namespace Trevan {

namespace {

// The completion argument for a deletion. Without an event of our own the
// call itself must block until the callbacks have finished, so that the
// caller never frees what a callback still uses.
HANDLE CompletionOf(const SyncObject& done) {
    return done.IsValid() ? done.Get() : INVALID_HANDLE_VALUE;
}

}  // namespace

TimerQueue::TimerQueue() : queue_(CreateTimerQueue()) {}

TimerQueue::~TimerQueue() {
    if (!IsValid()) return;
    try {
        Delete()->Wait(INFINITE);
    } catch (...) {
    }
}

TimerQueue::Timer* TimerQueue::CreateTimer(WAITORTIMERCALLBACK callback, PVOID parameter,
                                           DWORD dueTime, DWORD period, ULONG flags) {
    HANDLE timer = nullptr;
    CheckSystemCall(CreateTimerQueueTimer(&timer, queue_, callback, parameter, dueTime, period, flags),
                    FixedAt::kTrevanCreateTimer);
    return new Timer(queue_, timer);
}

SyncRef TimerQueue::Delete() {
    Event* done = new Event(true, false);
    SyncRef completion(done);
    if (!IsValid()) {
        if (done->IsValid()) done->Set();
        return completion;
    }
    if (!DeleteTimerQueueEx(queue_, CompletionOf(*done)) && GetLastError() != ERROR_IO_PENDING)
        CheckSystemCall(FALSE, FixedAt::kTrevanDeleteTimerQueue);
    queue_ = nullptr;
    return completion;
}

TimerQueue::Timer::~Timer() {
    if (!IsValid()) return;
    try {
        Delete()->Wait(INFINITE);
    } catch (...) {
    }
}

SyncRef TimerQueue::Timer::Delete() {
    Event* done = new Event(true, false);
    SyncRef completion(done);
    if (!IsValid()) {
        if (done->IsValid()) done->Set();
        return completion;
    }
    if (!DeleteTimerQueueTimer(queue_, timer_, CompletionOf(*done)) &&
        GetLastError() != ERROR_IO_PENDING)
        CheckSystemCall(FALSE, FixedAt::kTrevanDeleteTimer);
    timer_ = nullptr;
    return completion;
}

}  // namespace Trevan

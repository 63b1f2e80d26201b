#include "CountLimiter.h"

#include <refs.h>

namespace Trevan {

CountLimiter::CountLimiter(unsigned limit) : inUse_(0), limit_(limit), waiting_(1) {}

CountLimiter::~CountLimiter() {
    Lock hold(lock_);
    for (int i = 0; i < waiting_.Count(); ++i) {
        try {
            waiting_[i]->Set();
        } catch (...) {
        }
    }
    waiting_.Delete(0, -1);
}

SyncObject CountLimiter::Acquire() {
    Lock hold(lock_);
    if (inUse_ < limit_) {
        // Already signalled and nobody else's: the caller may have it as it is.
        SyncObject granted(CreateEventA(nullptr, TRUE, TRUE, nullptr));
        if (granted.IsValid()) ++inUse_;
        return granted;  // moved out: nothing can fail once the count grew
    }
    ptr<Event> queued(new Event(true, false));
    if (!queued->IsValid()) return SyncObject();
    SyncObject result(*queued);  // the duplicate that may fail comes first
    if (waiting_.Add(queued.get()) < 0) return SyncObject();
    queued.Detach();
    return result;
}

bool CountLimiter::Release() {
    Lock hold(lock_);
    if (inUse_ == 0) return false;  // unmatched: nothing to give back
    --inUse_;
    GrantWaiters();
    return true;
}

unsigned CountLimiter::SetLimit(unsigned limit) {
    Lock hold(lock_);
    unsigned old = limit_;
    limit_ = limit;
    GrantWaiters();
    return old;
}

int CountLimiter::Waiting() {
    Lock hold(lock_);
    return waiting_.Count();
}

// Moves the first waiters to holding while slots are free. Called under the lock.
void CountLimiter::GrantWaiters() {
    while (inUse_ < limit_ && waiting_.Count() > 0) {
        waiting_[0]->Set();
        ++inUse_;
        waiting_.Delete(0);
    }
}

}  // namespace Trevan

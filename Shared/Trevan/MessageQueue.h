// A locked first-in, first-out queue of records that can wake a reader.
//
// Put takes a record over; Get hands the oldest back to the caller, or null.
// The non-empty event is set by Put and reset when the queue runs empty;
// NonEmpty gives a reader its own duplicate to wait on outside the lock.
// Each set or reset is a trip to the system, so the event follows the
// queue only from the first NonEmpty on: a queue that nobody waits on
// costs no system call.
// When a record arrives in an empty queue and a notify window is set (and
// still exists), one message is posted to it (both parameters 0): a reader
// is woken once for each run of records and drains it with Get.
// Records still queued at destruction are deleted.
#pragma once

#include <windows.h>

#include <vec.h>

#include "CriticalSection.h"
#include "Event.h"

namespace Trevan {

template <class T>
class MessageQueue {
public:
    MessageQueue() : items_(0), nonEmpty_(true, false), watched_(false), window_(nullptr), message_(0) {}
    virtual ~MessageQueue() { DeleteAll(); }
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // message 0 posts nothing.
    virtual void SetNotify(HWND window, UINT message) {
        Lock hold(lock_);
        window_ = window;
        message_ = message;
    }

    // Deletes every queued record.
    virtual void Clear() {
        Lock hold(lock_);
        DeleteAll();
        if (watched_) nonEmpty_.Reset();
    }

    // False when the queue cannot grow, or for a null record (Get would
    // take it for an empty queue); the caller then keeps the record.
    virtual bool Put(T* record) {
        if (!record) return false;
        Lock hold(lock_);
        bool wasEmpty = items_.Count() == 0;
        if (items_.Add(record) < 0) return false;
        // The event is set exactly while records wait: only the first of a
        // run needs to set it.
        if (wasEmpty && watched_) nonEmpty_.Set();
        if (wasEmpty && message_ != 0 && IsWindow(window_)) PostMessageA(window_, message_, 0, 0);
        return true;
    }

    // The oldest record, now the caller's; null when the queue is empty.
    virtual T* Get() {
        Lock hold(lock_);
        T* record = nullptr;
        if (items_.Count() > 0) {
            record = items_[0];
            items_.Delete(0);
            if (items_.Count() == 0 && watched_) nonEmpty_.Reset();
        }
        return record;
    }

    Event NonEmpty() {
        Lock hold(lock_);
        if (!watched_) {
            // From now on the event follows the queue; it starts as the queue is.
            if (items_.Count() > 0) nonEmpty_.Set();
            watched_ = true;
        }
        return nonEmpty_;
    }
    int Count() {
        Lock hold(lock_);
        return items_.Count();
    }

private:
    void DeleteAll() {
        for (int i = items_.Count() - 1; i >= 0; --i) delete items_[i];
        items_.Delete(0, -1);
    }

    CriticalSection lock_;
    ivec<T> items_;  // does not own: records leave through Get
    Event nonEmpty_;
    bool watched_;  // someone took the event: it must follow the queue
    HWND window_;
    UINT message_;
};

}  // namespace Trevan

// A thread-pool wait that calls OnSignal when an object is signalled or the
// time-out passes.
//
// The watched object is duplicated, so the caller's handle may close at
// once. OnSignal runs on a pool thread, under the object's lock, and never
// after Release has returned: Release (and destruction) unregisters the
// wait and returns only when no callback runs any more.
//
// Registration happens in Register, which the most derived constructor
// calls as its last step, so no callback reaches an object still under
// construction; likewise every derived destructor calls Release first. A
// failed registration leaves the object unregistered: it never calls back.
// OnSignal may call Release (the wait is then dropped without waiting for
// itself) but must not delete the object. An exception leaving OnSignal is
// dropped: nothing on a pool thread could catch it.
#pragma once

#include <windows.h>

#include "CriticalSection.h"
#include "SyncObject.h"

namespace Trevan {

class WaitCallback {
public:
    virtual ~WaitCallback();
    WaitCallback(const WaitCallback&) = delete;
    WaitCallback& operator=(const WaitCallback&) = delete;

    // Unregisters the wait; returns when no callback runs. Never throws.
    virtual void Release();
    // timedOut: true when the time-out fired, false when the object was signalled.
    virtual void OnSignal(bool timedOut) = 0;

    bool IsRegistered();

protected:
    // Duplicates object (WindowsError when that fails); registers nothing yet.
    WaitCallback(const SyncObject& object, DWORD milliseconds, ULONG flags);
    // Registers the wait with the thread pool, this object as context.
    void Register();
    // The lock OnSignal runs under, for state a derived class shares with it.
    CriticalSection& Section() { return lock_; }

private:
    static VOID CALLBACK OnPoolSignal(PVOID context, BOOLEAN timedOut);

    CriticalSection lock_;
    HANDLE wait_;        // null when not registered
    SyncObject object_;  // duplicate of the watched object
    DWORD milliseconds_;
    ULONG flags_;
    DWORD callbackThread_;  // the pool thread inside OnSignal, else 0
};

}  // namespace Trevan

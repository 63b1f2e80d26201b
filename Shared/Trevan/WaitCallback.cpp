#include "WaitCallback.h"

#include <fwbase/Format.h>

#include "Event.h"

namespace Trevan {

WaitCallback::WaitCallback(const SyncObject& object, DWORD milliseconds, ULONG flags)
    : wait_(nullptr), object_(object), milliseconds_(milliseconds), flags_(flags),
      callbackThread_(0) {}

WaitCallback::~WaitCallback() { Release(); }

void WaitCallback::Register() {
    // Held while registering, so that a callback of an object that is
    // already signalled finds the wait handle stored.
    Lock hold(lock_);
    if (wait_) return;
    HANDLE wait = nullptr;
    if (RegisterWaitForSingleObject(&wait, object_.Get(), &OnPoolSignal, this, milliseconds_,
                                    flags_))
        wait_ = wait;
}

bool WaitCallback::IsRegistered() {
    Lock hold(lock_);
    return wait_ != nullptr;
}

VOID CALLBACK WaitCallback::OnPoolSignal(PVOID context, BOOLEAN timedOut) {
    WaitCallback* self = static_cast<WaitCallback*>(context);
    Lock hold(self->lock_);
    if (!self->wait_) return;  // released meanwhile
    self->callbackThread_ = GetCurrentThreadId();
    try {
        self->OnSignal(timedOut != FALSE);
    } catch (...) {
    }
    self->callbackThread_ = 0;
}

void WaitCallback::Release() {
    Lock hold(lock_);
    HANDLE wait = wait_;
    if (!wait) return;
    wait_ = nullptr;

    if (callbackThread_ == GetCurrentThreadId()) {
        // Called from OnSignal: waiting for our own callback would never end.
        UnregisterWaitEx(wait, nullptr);
        return;
    }
    Event done(true, false);
    if (!done.IsValid()) {
        // No completion event: let the system wait, without our lock, so a
        // callback queued behind it can see the cleared handle and leave.
        hold.Leave();
        UnregisterWaitEx(wait, INVALID_HANDLE_VALUE);
        return;
    }
    if (UnregisterWaitEx(wait, done.Get())) {
        done.Wait(INFINITE);  // no callback runs: it comes at once
        return;
    }
    DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) {
        // A callback runs and waits for the lock; it will find no wait handle.
        hold.Leave();
        done.Wait(INFINITE);
        return;
    }
    string text = FormatBuffer(256, "WaitCallback::Release: UnregisterWaitEx failure, error code: %u",
                               static_cast<unsigned>(error));
    OutputDebugStringA(text);
}

}  // namespace Trevan

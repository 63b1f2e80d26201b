// RegistryWatch: one report of the next change of a registry key. It owns
// the key it watches and the event (manual reset) that the system sets on
// the change (RegNotifyChangeKeyValue); the report stays set until the
// watch is set again. The registration is not tied to the thread that
// makes it where the system knows such registrations; elsewhere it ends
// with that thread, which sets the event: one report more, never one less.
// Closing a watched key sets its event as well, so every new watch resets
// the report after the old key is gone. An event that cannot be made
// leaves the watch unable to watch: every Watch is refused. An event that
// cannot be reset throws WindowsError.
#pragma once

#include <windows.h>

#include <owned.h>

#include "Settings/RequiredKey.h"

class RegistryWatch {
public:
    RegistryWatch();
    RegistryWatch(const RegistryWatch&) = delete;
    RegistryWatch& operator=(const RegistryWatch&) = delete;

    // Watches key, which it takes over (the key held before is closed), for
    // the changes filter names (REG_NOTIFY_CHANGE_...), below it too with
    // subtree. False when the key is empty or the system refuses: nothing
    // is watched then.
    bool Watch(RequiredKey key, DWORD filter, bool subtree = false);
    // The same watch again on the key held, once its report came.
    bool Again();
    // Closes the key; nothing is watched and no report is set afterwards.
    void Stop();

    // The report came; asks without waiting.
    bool Reported() const { return WaitForSingleObject(event_.get(), 0) == WAIT_OBJECT_0; }
    // The event, for one wait over several watches.
    HANDLE Report() const { return event_.get(); }
    const RequiredKey& Key() const { return key_; }

private:
    bool Set();
    void Reset();

    KernelHandle event_;
    RequiredKey key_;
    DWORD filter_;
    bool subtree_;
};

// A thread started through the C run time, or one adopted by handle.
//
// Start closes any handle already held (that thread runs on, unwatched),
// then starts the new thread and returns its id; a failed start leaves the
// object empty and returns 0 without throwing. Suspend, Resume, Terminate
// and ExitCode throw WindowsError on failure; the first three return true.
#pragma once

#include "SyncObject.h"

namespace Trevan {

class Thread : public SyncObject {
public:
    typedef unsigned(__stdcall* Procedure)(void* argument);

    Thread() {}
    explicit Thread(HANDLE handle) : SyncObject(handle) {}
    Thread(const Thread& other) = default;  // duplicates

    unsigned Start(Procedure procedure, void* argument, bool suspended = false,
                   unsigned stackSize = 0, SECURITY_ATTRIBUTES* security = nullptr);
    bool Suspend();
    bool Resume();
    bool Terminate(DWORD exitCode);
    // STILL_ACTIVE (259) while the thread runs.
    DWORD ExitCode() const;
};

}  // namespace Trevan

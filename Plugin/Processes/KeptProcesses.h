// KeptProcesses: the handles of the most recent programs that aRvik.Execute
// left running (started without waiting, or still running after its time
// limit without aRvik.Kill), so that aRvik.Await finds such a program by its
// id also after it has ended. A kept handle holds the process object, so the system
// gives the id to no other process meanwhile, and the exit code stays.
//
// At most `capacity` are kept; keeping one more closes the oldest. Any
// number of threads may keep and find at once.
#pragma once

#include <windows.h>

#include <Trevan/CriticalSection.h>
#include <owned.h>

class KeptProcesses {
public:
    static const size_t capacity = 64;

    KeptProcesses() = default;
    KeptProcesses(const KeptProcesses&) = delete;
    KeptProcesses& operator=(const KeptProcesses&) = delete;

    void Keep(DWORD id, KernelHandle process);
    // A handle of its own to the kept process with that id, with the kept
    // handle's access; empty when none is kept. A failure to duplicate
    // throws WindowsError.
    KernelHandle Find(DWORD id) const;

private:
    mutable Trevan::CriticalSection lock_;
    KernelHandle processes_[capacity];
    DWORD ids_[capacity] = {};
    size_t next_ = 0;  // the oldest, which the next one replaces
};

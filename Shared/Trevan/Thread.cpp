#include "Thread.h"

#include <process.h>

#include <FixedPositions.h>
#include <exceptions.h>

namespace Trevan {

unsigned Thread::Start(Procedure procedure, void* argument, bool suspended, unsigned stackSize,
                       SECURITY_ATTRIBUTES* security) {
    Close();
    unsigned id = 0;
    uintptr_t handle = _beginthreadex(security, stackSize, procedure, argument,
                                      suspended ? CREATE_SUSPENDED : 0, &id);
    if (!handle) return 0;
    handle_ = reinterpret_cast<HANDLE>(handle);
    return id;
}

bool Thread::Suspend() {
    CheckSystemCall(SuspendThread(handle_) != static_cast<DWORD>(-1), FixedAt::kTrevanSuspendThread);
    return true;
}

bool Thread::Resume() {
    CheckSystemCall(ResumeThread(handle_) != static_cast<DWORD>(-1), FixedAt::kTrevanResumeThread);
    return true;
}

bool Thread::Terminate(DWORD exitCode) {
    CheckSystemCall(TerminateThread(handle_, exitCode), FixedAt::kTrevanTerminateThread);
    return true;
}

DWORD Thread::ExitCode() const {
    DWORD code = 0;
    CheckSystemCall(GetExitCodeThread(handle_, &code), FixedAt::kTrevanThreadExitCode);
    return code;
}

}  // namespace Trevan

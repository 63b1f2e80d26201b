#include "Thread.h"

#include <process.h>

#include <exceptions.h>

#include "Source.h"

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
    CheckSystemCall(SuspendThread(handle_) != static_cast<DWORD>(-1), kSource, 157);
    return true;
}

bool Thread::Resume() {
    CheckSystemCall(ResumeThread(handle_) != static_cast<DWORD>(-1), kSource, 161);
    return true;
}

bool Thread::Terminate(DWORD exitCode) {
    CheckSystemCall(TerminateThread(handle_, exitCode), kSource, 165);
    return true;
}

DWORD Thread::ExitCode() const {
    DWORD code = 0;
    CheckSystemCall(GetExitCodeThread(handle_, &code), kSource, 170);
    return code;
}

}  // namespace Trevan

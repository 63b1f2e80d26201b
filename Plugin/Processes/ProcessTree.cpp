#include "Processes/ProcessTree.h"

#include <checks.h>

#include "Processes/ProcessWait.h"

// When the process started; false when it cannot be opened or asked.
static bool StartTime(DWORD id, ULONGLONG& time) {
    KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    FILETIME created, exited, kernel, user;
    if (!process || !GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) return false;
    time = (ULONGLONG(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    return true;
}

static bool Contains(const Buffer<DWORD>& ids, DWORD id) {
    for (size_t i = 0; i < ids.Size(); ++i)
        if (ids.Data()[i] == id) return true;
    return false;
}

// PROCESS_BASIC_INFORMATION with its fields named; each one pointer-sized.
struct BasicInformation {
    LONG_PTR exitStatus;
    void* environment;
    ULONG_PTR affinity;
    LONG_PTR basePriority;
    ULONG_PTR id;
    ULONG_PTR parent;
};
typedef LONG(WINAPI* QueryInformation)(HANDLE process, int kind, void* out, ULONG size, ULONG* written);

// The id of the process that started id; 0 when the system cannot say.
static DWORD ParentId(DWORD id) {
    static const QueryInformation query = reinterpret_cast<QueryInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    BasicInformation information;
    ULONG written = 0;
    // 0: ProcessBasicInformation; a negative status is a failure.
    if (!query || !process || query(process.get(), 0, &information, sizeof information, &written) < 0) return 0;
    return static_cast<DWORD>(information.parent);
}

void HostChain(Buffer<DWORD>& out) {
    DWORD id = GetCurrentProcessId();
    out.Append(&id, 1);
    ULONGLONG started = 0;
    if (!StartTime(id, started)) return;
    for (;;) {
        DWORD parent = ParentId(id);
        if (!parent || Contains(out, parent)) return;
        ULONGLONG parentStarted = 0;
        if (!StartTime(parent, parentStarted) || parentStarted > started) return;
        id = parent;
        started = parentStarted;
        out.Append(&id, 1);
    }
}

void Descendants(const ProcessSnapshot& snapshot, DWORD id, Buffer<DWORD>& out) {
    size_t first = out.Size();
    Buffer<DWORD> parents;
    parents.Append(&id, 1);
    for (size_t next = 0; next < parents.Size(); ++next) {
        DWORD parent = parents.Data()[next];
        ULONGLONG parentStarted = 0;
        if (!StartTime(parent, parentStarted)) continue;
        for (size_t i = 0; i < snapshot.Count(); ++i) {
            const ProcessSnapshot::Process& process = snapshot.At(i);
            if (process.parent != parent || process.id == parent || process.id == id) continue;
            ULONGLONG started = 0;
            if (!StartTime(process.id, started) || started < parentStarted) continue;
            bool known = false;
            for (size_t k = first; k < out.Size() && !known; ++k) known = out.Data()[k] == process.id;
            if (known) continue;
            out.Append(&process.id, 1);
            parents.Append(&process.id, 1);
        }
    }
}

KernelHandle OpenToEnd(DWORD id) {
    return KernelHandle(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
}

void EndProcesses(const HANDLE* processes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        HANDLE process = processes[i];
        if (TerminateProcess(process, killedExitCode)) continue;
        DWORD error = GetLastError();
        // One that ended by itself refuses to be ended.
        if (!WaitForExit(process, 0)) THROW_WIN32(error);
    }
    // The system ends a process at once unless it hangs in a driver: then
    // the command reports it ended all the same rather than hang with it.
    DWORD start = GetTickCount();
    for (size_t i = 0; i < count; ++i) {
        DWORD spent = GetTickCount() - start;
        WaitForExit(processes[i], spent < 5000 ? 5000 - spent : 0);
    }
}

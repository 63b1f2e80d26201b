#include "Processes/ProcessSnapshot.h"

#include <tlhelp32.h>
#include <wchar.h>

#include <algorithm>

#include <checks.h>
#include <owned.h>

ProcessSnapshot::ProcessSnapshot() {
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    THROW_LAST_ERROR_IF(!snapshot);
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    BOOL more = Process32FirstW(snapshot.get(), &entry);
    if (!more) THROW_LAST_ERROR_IF(GetLastError() != ERROR_NO_MORE_FILES);
    for (; more; more = Process32NextW(snapshot.get(), &entry)) {
        size_t length = wcsnlen(entry.szExeFile, MAX_PATH);
        Process process{entry.th32ProcessID, entry.th32ParentProcessID, names_.Size(), length};
        processes_.Append(&process, 1);
        names_.Append(entry.szExeFile, length);
        names_.Append(L"", 1);
    }
    Process* first = processes_.Data();
    std::sort(first, first + processes_.Size(), [](const Process& a, const Process& b) { return a.id < b.id; });
}

const ProcessSnapshot::Process* ProcessSnapshot::Find(DWORD id) const {
    const Process* first = processes_.Data();
    const Process* last = first + processes_.Size();
    const Process* found = std::lower_bound(first, last, id, [](const Process& p, DWORD id) { return p.id < id; });
    return found != last && found->id == id ? found : nullptr;
}

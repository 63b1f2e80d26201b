// ProcessSnapshot: the processes running at one moment, as the toolhelp
// snapshot (CreateToolhelp32Snapshot) lists them, sorted by id: each one's
// id, the id of the process that started it, and its program's name (the
// file name of its image, "notepad.exe"). For aRvik.ProcessList and
// aRvik.ProcessEnd.
#pragma once

#include <windows.h>

#include <Buffer.h>

class ProcessSnapshot {
public:
    struct Process {
        DWORD id;
        DWORD parent;
        size_t nameAt;  // in the names, zero-terminated
        size_t nameLength;
    };

    // A failed snapshot throws WindowsError.
    ProcessSnapshot();
    ProcessSnapshot(const ProcessSnapshot&) = delete;
    ProcessSnapshot& operator=(const ProcessSnapshot&) = delete;

    size_t Count() const { return processes_.Size(); }
    const Process& At(size_t i) const { return processes_.Data()[i]; }
    const wchar_t* Name(const Process& process) const { return names_.Data() + process.nameAt; }
    // The one with id; null when none.
    const Process* Find(DWORD id) const;

private:
    Buffer<Process> processes_;
    Buffer<wchar_t> names_;
};

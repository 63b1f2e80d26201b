// What aRvik.ProcessEnd needs beyond the snapshot: which processes started
// the host, which a process started in turn, and ending them.
//
// A process's parent is the id the system keeps for it (the snapshot's, or
// NtQueryInformationProcess's), when a process of that id started no later
// than the child (GetProcessTimes): an id the system gave anew after the
// parent ended names no parent.
#pragma once

#include <windows.h>

#include <Buffer.h>
#include <owned.h>

#include "Processes/ProcessSnapshot.h"

// The host's own process and those that started it, each the parent of
// the one before, as the system keeps each one's parent
// (NtQueryInformationProcess): no snapshot is taken.
void HostChain(Buffer<DWORD>& out);

// Every process that id started, and those they started, down the tree;
// id itself not included. Appended to out.
void Descendants(const ProcessSnapshot& snapshot, DWORD id, Buffer<DWORD>& out);

// The process opened to be ended (PROCESS_TERMINATE, SYNCHRONIZE); empty
// with the system's error when it cannot be.
KernelHandle OpenToEnd(DWORD id);

// Ends each process of count (TerminateProcess with killedExitCode, as
// aRvik.Kill ends a program), then waits for them a bounded time. One that
// ended by itself meanwhile counts as ended; another refusal throws
// WindowsError.
void EndProcesses(const HANDLE* processes, size_t count);

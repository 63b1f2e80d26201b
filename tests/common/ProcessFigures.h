// The figures that show a leak in a long run of commands: the process's
// handle count, which Windows gives and Wine always reads as 0, and two
// that hold under Wine as well (its handle slots, its committed private
// memory, where Wine's private usage reads 0 too).
#pragma once

#include <windows.h>

// The highest of 256 handles made now. Wine gives the lowest free slots, so
// there a later figure above an earlier one means handles were left open. One
// handle would do were there no free slots below the ones in use, but a
// process start leaves some (its passing handles go first), and a handle
// left above them would not show.
UINT_PTR NextHandleSlot();

// Bytes of committed private memory over the whole address space.
SIZE_T CommittedPrivate();

// GetProcessHandleCount of this process (0 under Wine, and when it fails).
DWORD HandleCount();

// Whether this runs under Wine, whose ntdll tells its version.
bool UnderWine();

// Shared by the load and fault tests: the plug-in key saved and put back
// (SavedKey), and the two figures that show a leak under Wine, where the
// process's handle count and private usage always read 0.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "commands/CommandsTest.h"
#include "common/SavedKey.h"

// The highest of 256 handles made now: Wine gives the lowest free slots, so
// a later figure above an earlier one means handles were left open. One
// handle would do were there no free slots below the ones in use, but a
// process start leaves some (its passing handles go first), and a handle
// left above them would not show.
UINT_PTR NextHandleValue();

// Bytes of committed private memory over the whole address space.
SIZE_T CommittedPrivate();

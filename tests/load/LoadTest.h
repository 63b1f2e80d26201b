// Shared by the load and fault tests: the plug-in key saved and put back
// (SavedKey), and the two figures that show a leak under Wine, where the
// process's handle count and private usage always read 0.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "commands/CommandsTest.h"
#include "common/SavedKey.h"

// The value of a handle made now: Wine gives the lowest free slot, so a
// later figure above an earlier one means handles were left open.
UINT_PTR NextHandleValue();

// Bytes of committed private memory over the whole address space.
SIZE_T CommittedPrivate();

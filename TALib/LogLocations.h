// Where the product is installed and where its logs go, from the product's
// HKEY_LOCAL_MACHINE key "Software\Kelmir\Tallivant" (values "Root Path" and
// "Log Root", read anew on every call).
//
// productKey is opened read-only by OpenProductKey when the module loads and
// closed by CloseProductKey when it unloads; while it is closed, or when the
// key does not exist, the values read as empty texts. Both routines give
// folders ending in one backslash.
#pragma once

#include <fwwin/RegKey.h>
#include <str.h>

// The open key (not an owner): null before OpenProductKey and after
// CloseProductKey.
extern RegKey* productKey;

void OpenProductKey();
void CloseProductKey();

// "Root Path" with environment references expanded.
string RootPath();
// "Log Root" expanded ("Logs" when empty); a relative one lies below RootPath.
string LogRootPath();

// Shared by the load and fault tests: registry state put back as it was,
// and the two figures that show a leak under Wine, where the process's
// handle count and private usage always read 0.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "commands/CommandsTest.h"

// One registry value under HKEY_CURRENT_USER, put back as it was found
// (or removed when it was missing) when the keeper goes; the key too is
// removed then when it did not exist before.
class SavedValue {
public:
    SavedValue(const char* key, const char* name);
    ~SavedValue();
    SavedValue(const SavedValue&) = delete;
    SavedValue& operator=(const SavedValue&) = delete;

private:
    std::string key_, name_;
    bool keyExisted_, valueExisted_;
    DWORD type_;
    std::vector<BYTE> data_;
};

// The value of a handle made now: Wine gives the lowest free slot, so a
// later figure above an earlier one means handles were left open.
UINT_PTR NextHandleValue();

// Bytes of committed private memory over the whole address space.
SIZE_T CommittedPrivate();

// Walking the values of the open Session Props key: visit(name, type) for
// every named value, in the registry's order; the key's unnamed value is
// skipped. An enumeration that fails raises the Windows error at the fixed
// position at; without one it ends the walk quietly (for keys that count as
// absent when they cannot be read). Values may be read through the key
// inside visit, not added or removed.
#pragma once

#include <windows.h>

#include <FixedPositions.h>
#include <exceptions.h>
#include <refs.h>
#include <str.h>

template <class Visit>
void ForEachSessionProp(HKEY key, const FixedPosition* at, Visit&& visit) {
    // Value names are at most 16,383 characters; the buffer holds twice that.
    const DWORD capacity = 32766;
    aptr<char> name(new char[capacity + 1]);
    for (DWORD index = 0;; ++index) {
        DWORD length = capacity, type = REG_NONE;
        LONG result = RegEnumValueA(key, index, name.get(), &length, nullptr, &type, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS || (result != ERROR_SUCCESS && !at)) return;
        if (result != ERROR_SUCCESS) CheckErrorCode(result, *at);
        if (length == 0) continue;
        visit(string(name.get(), length), type);
    }
}

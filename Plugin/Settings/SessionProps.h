// Walking the values of the open Session Props key: visit(name, value) for
// every named value, in the registry's order, with the value as read right
// after its name (RequiredKey::Read: its type and data in one read; a value
// removed in between reads as REG_NONE); the key's unnamed value is
// skipped. An enumeration that fails raises the Windows error at the fixed
// position at; without one it ends the walk quietly (for keys that count as
// absent when they cannot be read). Values may not be added or removed
// inside visit.
#pragma once

#include <windows.h>

#include <FixedPositions.h>
#include <exceptions.h>
#include <refs.h>
#include <str.h>

#include "Settings/RequiredKey.h"

template <class Visit>
void ForEachSessionProp(const RequiredKey& key, const FixedPosition* at, Visit&& visit) {
    // Value names are at most 16,383 characters; the buffer holds twice that.
    const DWORD capacity = 32766;
    aptr<char> name(new char[capacity + 1]);
    for (DWORD index = 0;; ++index) {
        DWORD length = capacity;
        LONG result = RegEnumValueA(key.Get(), index, name.get(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS || (result != ERROR_SUCCESS && !at)) return;
        if (result != ERROR_SUCCESS) CheckErrorCode(result, *at);
        if (length == 0) continue;
        string text(name.get(), length);
        visit(text, key.Read(text));
    }
}

// An unnamed event.
//
// A failed creation leaves the event empty (IsValid false) and throws
// nothing; Set, Reset and Pulse then throw WindowsError, as any failure of
// theirs does. They return true.
#pragma once

#include "SyncObject.h"

namespace Trevan {

class Event : public SyncObject {
public:
    Event(bool manualReset, bool initialState);
    explicit Event(HANDLE handle) : SyncObject(handle) {}
    Event(const Event& other) = default;  // duplicates

    bool Set();
    bool Reset();
    bool Pulse();
};

}  // namespace Trevan

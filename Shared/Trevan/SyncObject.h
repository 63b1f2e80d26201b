// A waitable kernel object: process, thread, event, mutex, timer...
//
// Wait never throws: true when the object is signalled or an abandoned
// mutex was taken over; false on time-out, on an empty handle and on any
// failure. INFINITE (-1) waits without limit.
#pragma once

#include "Handle.h"

namespace Trevan {

class SyncObject : public Handle {
public:
    explicit SyncObject(HANDLE handle = nullptr) : Handle(handle) {}
    SyncObject(const SyncObject& other) = default;  // duplicates
    SyncObject(SyncObject&& other) = default;       // hands over

    bool IsValid() const override { return handle_ != nullptr; }

    bool Wait(DWORD milliseconds) const;
    bool TryWait() const { return Wait(0); }
};

}  // namespace Trevan

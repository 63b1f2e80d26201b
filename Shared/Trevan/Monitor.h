// A waitable handle that carries a lock of its own.
//
// The lock guards whatever a derived class keeps beside the handle; Notify
// is the derived class's own signalling operation. Destruction deletes the
// lock, then closes the handle.
#pragma once

#include "CriticalSection.h"
#include "SyncObject.h"

namespace Trevan {

class Monitor : public SyncObject {
public:
    explicit Monitor(HANDLE handle) : SyncObject(handle) {}
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    bool IsValid() const override { return SyncObject::IsValid(); }
    virtual HANDLE Get() const { return SyncObject::Get(); }
    virtual void Close() { SyncObject::Close(); }
    virtual void Notify() = 0;

    CriticalSection& Section() { return lock_; }

private:
    CriticalSection lock_;
};

}  // namespace Trevan

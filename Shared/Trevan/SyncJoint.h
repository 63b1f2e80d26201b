// Sets an event when an object is signalled or the time-out passes.
//
// The joint holds its own duplicate of the target event and registers its
// wait only once that duplicate exists.
#pragma once

#include "Event.h"
#include "WaitCallback.h"

namespace Trevan {

class SyncJoint : public WaitCallback {
public:
    SyncJoint(const SyncObject& object, const Event& target, DWORD milliseconds,
              ULONG flags = WT_EXECUTEDEFAULT);
    ~SyncJoint() override;

    void OnSignal(bool timedOut) override;

private:
    Event target_;
};

}  // namespace Trevan

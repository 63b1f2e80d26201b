#include "Event.h"

#include <FixedPositions.h>
#include <exceptions.h>

namespace Trevan {

Event::Event(bool manualReset, bool initialState)
    : SyncObject(CreateEventA(nullptr, manualReset, initialState, nullptr)) {}

bool Event::Set() {
    CheckSystemCall(SetEvent(handle_), FixedAt::kTrevanSetEvent);
    return true;
}

bool Event::Reset() {
    CheckSystemCall(ResetEvent(handle_), FixedAt::kTrevanResetEvent);
    return true;
}

bool Event::Pulse() {
    CheckSystemCall(PulseEvent(handle_), FixedAt::kTrevanPulseEvent);
    return true;
}

}  // namespace Trevan

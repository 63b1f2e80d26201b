#include "Event.h"

#include <FixedPositions.h>
#include <exceptions.h>

namespace Trevan {

Event::Event(bool manualReset, bool initialState)
    : SyncObject(CreateEventA(nullptr, manualReset, initialState, nullptr)) {}

bool Event::Set() {
    CheckSystemCall(SetEvent(handle_), Fixed::kTrevanSetEvent.file, Fixed::kTrevanSetEvent.line);
    return true;
}

bool Event::Reset() {
    CheckSystemCall(ResetEvent(handle_), Fixed::kTrevanResetEvent.file, Fixed::kTrevanResetEvent.line);
    return true;
}

bool Event::Pulse() {
    CheckSystemCall(PulseEvent(handle_), Fixed::kTrevanPulseEvent.file, Fixed::kTrevanPulseEvent.line);
    return true;
}

}  // namespace Trevan

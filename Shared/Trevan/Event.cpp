#include "Event.h"

#include <exceptions.h>

#include "Source.h"

namespace Trevan {

Event::Event(bool manualReset, bool initialState)
    : SyncObject(CreateEventA(nullptr, manualReset, initialState, nullptr)) {}

bool Event::Set() {
    CheckSystemCall(SetEvent(handle_), kSource, 190);
    return true;
}

bool Event::Reset() {
    CheckSystemCall(ResetEvent(handle_), kSource, 194);
    return true;
}

bool Event::Pulse() {
    CheckSystemCall(PulseEvent(handle_), kSource, 198);
    return true;
}

}  // namespace Trevan

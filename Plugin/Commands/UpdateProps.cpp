// aRvik.UpdateProps: the Session Props into the session again, as at its start.
#include "Commands/Commands.h"

#include "Settings/SessionPropsCopy.h"

void UpdateProps(IUnknown* session) { CopySessionProps(session); }

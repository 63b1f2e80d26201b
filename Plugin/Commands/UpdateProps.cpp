// aRvik.UpdateProps: the Session Props into the session again, as at its start.
#include "Commands.h"

#include "SessionPropsCopy.h"

void UpdateProps(IUnknown* session, CommandState&) { CopySessionProps(session); }

// Small rules shared by the commands about their session arguments.
#pragma once

#include <TASession.h>

// An argument that was given is left empty when the command succeeds; one
// that was never given is not made, so that a command run without the
// newer arguments leaves the session as it always has.
inline void ClearGiven(TAXDK::Tallivant::TASession& values, const char* name, const string& given) {
    if (!given.empty()) values.Clear(name);
}

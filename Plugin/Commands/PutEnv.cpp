// aRvik.PutEnv: sets the host's environment variable aRvik.Name to
// aRvik.Value, for the programs it starts from now on.
#include "Commands.h"

#include <stdlib.h>
#include <string.h>

#include <TASession.h>

#include "EnvironmentLock.h"

using TAXDK::Tallivant::TASession;

void PutEnv(TASession& values, CommandState&) {
    string name = values.GetString("aRvik.Name");
    // A name holding "=" would set another variable than the one named.
    if (!name.empty() && !strchr(name, '=')) {
        string value = values.GetString("aRvik.Value");
        Trevan::Lock hold(EnvironmentLock());
        _putenv(name + "=" + value.c_str());
    }
    values.Clear("aRvik.Value");
    values.Clear("aRvik.Name");
}

Trevan::CriticalSection& EnvironmentLock() {
    static Trevan::CriticalSection lock;
    return lock;
}

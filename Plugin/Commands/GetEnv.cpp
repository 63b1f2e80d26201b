// aRvik.GetEnv: the host's environment variable aRvik.Name into aRvik.Value.
#include "Commands.h"

#include <stdlib.h>

#include <TASession.h>

#include "EnvironmentLock.h"

using TAXDK::Tallivant::TASession;

void GetEnv(TASession& values, CommandState&) {
    string name = values.GetString("aRvik.Name");
    if (!name.empty()) {
        Trevan::Lock hold(EnvironmentLock());
        const char* value = getenv(name);
        string copy(value ? value : "");
        hold.Leave();
        values.SetString("aRvik.Value", copy);
    } else {
        values.Clear("aRvik.Value");
    }
    values.Clear("aRvik.Name");
}

// aRvik.GetEnv: the host's environment variable Name into Value.
#include "Commands/Commands.h"

#include <stdlib.h>

#include <TASession.h>

#include "Commands/CommandArguments.h"
#include "Commands/EnvironmentLock.h"

using TAXDK::Tallivant::TASession;

static const char kName[] = "aRvik.Name";

void GetEnv(TASession& values) {
    CommandArguments arguments(values);
    string name = VariableText(arguments.WideText(kName));
    CheckVariableName(kName, name);
    // No name, no variable: the value is cleared.
    string copy("");
    if (!name.empty()) {
        Trevan::Lock hold(EnvironmentLock());
        const char* value = getenv(name);
        copy = value ? value : "";
    }
    values.SetString("aRvik.Value", copy);
    arguments.Done();
}

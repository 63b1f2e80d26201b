// The C runtime's environment is not safe for two threads at once: under
// Wine a getenv beside a _putenv reads a stale copy or faults. aRvik.GetEnv
// and aRvik.PutEnv take turns on this lock, and GetEnv copies the value
// before it lets go.
#pragma once

#include <Trevan/CriticalSection.h>

Trevan::CriticalSection& EnvironmentLock();

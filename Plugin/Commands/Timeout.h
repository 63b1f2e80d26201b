// The time limit that aRvik.Execute and aRvik.Await read from aRvik.Timeout.
#pragma once

#include <windows.h>

#include "Commands/CommandArguments.h"

// The limit in whole milliseconds; INFINITE when none is given. A text that
// is no whole number fails as every session number does (a fraction is no
// time the wait can keep), as do a negative one and one of INFINITE or more.
DWORD ReadTimeout(const CommandArguments::Number& timeout);

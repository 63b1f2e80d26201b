// Shared by the load and fault tests: the plug-in key saved and put back
// (SavedKey), and the figures that show a leak (common/ProcessFigures.h).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Commands/CommandsTest.h"
#include "common/ProcessFigures.h"
#include "common/SavedKey.h"

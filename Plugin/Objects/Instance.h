// The plug-in module's instance handle: set by whoever loads the module
// (its entry point) or by a test; until then the module that holds this
// code.
#pragma once

#include <windows.h>

HINSTANCE PluginInstance();
void SetPluginInstance(HINSTANCE instance);

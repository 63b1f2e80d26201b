// The plug-in module's instance handle, which finds the module's own
// resources (the dialog templates) and the files beside it (the help): set
// by whoever loads the module (its entry point) or by a test; until then the
// module that holds this code.
#pragma once

#include <windows.h>

HINSTANCE PluginInstance();
void SetPluginInstance(HINSTANCE instance);

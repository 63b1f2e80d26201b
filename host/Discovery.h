// Finding and starting plug-ins as the host does:
// HKEY_LOCAL_MACHINE\Software\Kelmir\Tallivant\Plugins\* "CLSID" ->
// HKEY_CLASSES_ROOT\CLSID\{...}\InProcServer32 -> LoadLibrary ->
// DllGetClassObject -> CreateInstance -> initialise with the host object.
// Each step is printed; a plug-in that fails a step is reported and skipped.
// Loaded modules stay loaded for the life of the process.
#pragma once

#include <string>

#include "HostObject.h"

// Loads the module and calls its installation entry; true when it gave 1.
// First, as the product's own setup would, names the host's folder as the
// product's "Root Path" (HKEY_LOCAL_MACHINE\Software\Kelmir\Tallivant)
// when none is set: plug-ins place their logs below it.
bool InstallPlugin(const std::string& modulePath);

// True when a registered plug-in's class is served by the module at
// modulePath (its full path, case ignored).
bool PluginRegistered(const std::string& modulePath);

// Number of plug-ins initialised.
int StartPlugins(HostObject* host);

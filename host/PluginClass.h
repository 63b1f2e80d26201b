// Finding plug-in classes as the host does: each subkey of a registry list
// under HKEY_LOCAL_MACHINE names a plug-in whose value "CLSID" leads to
// HKEY_CLASSES_ROOT\CLSID\{...}\InProcServer32 -> LoadLibrary ->
// DllGetClassObject -> CreateInstance. Every step is printed; a failing step
// is reported and gives nothing. Loaded modules stay loaded for the life of
// the process: the objects made from them may live as long.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Loads a module whose own folder is searched for what it imports; null
// (printed) on failure.
HMODULE LoadPluginModule(const std::string& path);

// Names of the subkeys of HKEY_LOCAL_MACHINE\listKey; empty (printed) when
// the key is missing.
std::vector<std::string> RegisteredPlugins(const char* listKey);

// The module that serves the class of plug-in name of listKey, as
// registered; empty when there is none.
std::string PluginServer(const char* listKey, const std::string& name);

// An object of the class that plug-in name of listKey registers, asked for
// interface iid; null on failure.
IUnknown* CreatePluginObject(const char* listKey, const std::string& name, REFIID iid);

// "0x8000FFFF" for a result code.
std::string HexCode(HRESULT hr);

// The thread's error information as " (source: description)", or empty when
// there is none; takes it off the thread.
std::string TakeErrorInfo();

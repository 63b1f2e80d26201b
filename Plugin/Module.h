// The module aRvik.dll: its entry point records the instance handle
// (Instance.h) and opens the product key for as long as the module is
// loaded; the two exported entries are declared here.
//
// DllGetClassObject hands out a class factory for one of the module's
// classes; TallivantPlugin_InstallInit registers them and writes the first
// per-user settings. Both catch every exception at their border and show it
// in a message box captioned with the host executable's file name.
#pragma once

#include <windows.h>

#include <str.h>

// Full path of the module file.
string ModulePath();

// Shows text followed by the module path in double quotes, and reason
// after ": " when given, with the host executable's file name as caption.
void ModuleErrorMessage(const char* text, const char* reason) noexcept;

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out);
// Neither argument changes what it does. 1 on success, 0 after a failure.
extern "C" int WINAPI TallivantPlugin_InstallInit(HWND owner, BOOL quiet);

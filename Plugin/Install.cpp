// TallivantPlugin_InstallInit: registers the module's two classes, tells the
// host where they are and writes the current user's first settings. Steps
// done before a failure stay done.
#include "Module.h"

#include <exceptions.h>

#include "Settings/FirstSettings.h"
#include "Objects/Plugin.h"
#include "Settings/RequiredKey.h"

namespace {

// The class's name and in-process server under HKEY_CLASSES_ROOT, then
// the host's pointer to it under HKEY_LOCAL_MACHINE.
void RegisterClass(const char* clsid, const char* hostKey, const string& modulePath) {
    string classKey = string("CLSID\\") + clsid;
    RequiredKey(HKEY_CLASSES_ROOT, classKey.c_str(), true, KEY_ALL_ACCESS).Write("", PLUGIN_NAME);
    {
        RequiredKey server(HKEY_CLASSES_ROOT, (classKey + "\\InProcServer32").c_str(), true, KEY_ALL_ACCESS);
        server.Write("", modulePath.c_str());
        server.Write("ThreadingModel", "Both");
    }
    RequiredKey(HKEY_LOCAL_MACHINE, hostKey, true, KEY_ALL_ACCESS).Write("CLSID", clsid);
}

// The same first settings as every user gets at the first start; an
// existing "Script LogPath", even an empty one, is the user's choice.
void WriteUserSettings() {
    WriteFirstSettings();
    // Made when missing; a key that cannot be opened throws.
    RequiredKey props(HKEY_CURRENT_USER, SESSION_PROPS_KEY, true, KEY_READ);
}

}  // namespace

extern "C" int WINAPI TallivantPlugin_InstallInit(HWND, BOOL) {
    try {
        string path = ModulePath();
        RegisterClass(PLUGIN_CLSID_TEXT, PLUGIN_KEY, path);
        RegisterClass(CONTROL_PLUGIN_CLSID_TEXT, CONTROL_PLUGIN_KEY, path);
        WriteUserSettings();
        return 1;
    } catch (const KelmirException& e) {
        ModuleErrorMessage("Ошибка установки модуля ", e.Reason());
    } catch (...) {
        ModuleErrorMessage("Неизвестная ошибка установки модуля ", nullptr);
    }
    return 0;
}

#include "Discovery.h"

#include <windows.h>

#include "Console.h"
#include "PluginClass.h"

#define PLUGINS_KEY "Software\\Kelmir\\Tallivant\\Plugins"

typedef int(WINAPI* InstallEntry)(HWND, BOOL);

bool InstallPlugin(const std::string& modulePath) {
    char full[MAX_PATH * 2] = {};
    GetFullPathNameA(modulePath.c_str(), sizeof full, full, nullptr);
    Print(std::string("install: ") + full);
    HMODULE module = LoadPluginModule(full);
    if (!module) return false;
    auto install = reinterpret_cast<InstallEntry>(GetProcAddress(module, "TallivantPlugin_InstallInit"));
    if (!install) {
        Print("  the module has no TallivantPlugin_InstallInit");
        return false;
    }
    int result = install(nullptr, TRUE);
    Print("  TallivantPlugin_InstallInit gave " + std::to_string(result));
    return result == 1;
}

static bool StartPlugin(HostObject* host, const std::string& name) {
    Print("plug-in " + name);
    co<ITallivantPlugin> plugin(
        static_cast<ITallivantPlugin*>(CreatePluginObject(PLUGINS_KEY, name, IID_ITallivantPlugin)));
    if (!plugin) return false;
    HRESULT hr = plugin->Initialize(host);
    if (FAILED(hr)) {
        Print("  initialise failed: " + HexCode(hr) + TakeErrorInfo());
        return false;
    }
    Print("  initialised: " + std::to_string(host->Terminals()->Extenders().size()) + " terminal and " +
          std::to_string(host->Sessions()->Extenders().size()) + " session extender(s) registered so far");
    return true;
}

int StartPlugins(HostObject* host) {
    int started = 0;
    for (const std::string& name : RegisteredPlugins(PLUGINS_KEY))
        if (StartPlugin(host, name)) ++started;
    return started;
}

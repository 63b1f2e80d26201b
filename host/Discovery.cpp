#include "Discovery.h"

#include <windows.h>

#include <RegistryNames.h>

#include "Console.h"
#include "PluginClass.h"

typedef int(WINAPI* InstallEntry)(HWND, BOOL);

static std::string FullPath(const std::string& path) {
    char full[MAX_PATH * 2] = {};
    GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return full;
}

// Modules read the product key when they load: it is set before.
static void SetProductRoot() {
    if (RegGetValueA(HKEY_LOCAL_MACHINE, PRODUCT_KEY, "Root Path", RRF_RT_ANY, nullptr, nullptr, nullptr) !=
        ERROR_FILE_NOT_FOUND)
        return;
    char folder[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, folder, sizeof folder - 1);
    std::string root(folder);
    root.erase(root.find_last_of('\\') + 1);
    LONG error = RegSetKeyValueA(HKEY_LOCAL_MACHINE, PRODUCT_KEY, "Root Path", REG_SZ, root.c_str(),
                                 static_cast<DWORD>(root.size() + 1));
    Print("  product \"Root Path\": " + root + (error ? " not set: error " + std::to_string(error) : ""));
}

bool InstallPlugin(const std::string& modulePath) {
    std::string full = FullPath(modulePath);
    Print("install: " + full);
    SetProductRoot();
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

bool PluginRegistered(const std::string& modulePath) {
    std::string full = FullPath(modulePath);
    for (const std::string& name : RegisteredPlugins(PLUGINS_KEY))
        if (lstrcmpiA(PluginServer(PLUGINS_KEY, name).c_str(), full.c_str()) == 0) return true;
    return false;
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

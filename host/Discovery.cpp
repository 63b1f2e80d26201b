#include "Discovery.h"

#include <windows.h>
#include <stdio.h>

#include <vector>

#include "Console.h"

#define PLUGINS_KEY "Software\\Kelmir\\Tallivant\\Plugins"

typedef HRESULT(WINAPI* GetClassObjectEntry)(REFCLSID, REFIID, void**);
typedef int(WINAPI* InstallEntry)(HWND, BOOL);

static std::string Hex(HRESULT hr) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

static HMODULE LoadModule(const std::string& path) {
    // The module's own folder is searched for what it imports (Tallivanx.dll).
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) Print("  cannot load " + path + ": error " + std::to_string(GetLastError()));
    return module;
}

bool InstallPlugin(const std::string& modulePath) {
    char full[MAX_PATH * 2] = {};
    GetFullPathNameA(modulePath.c_str(), sizeof full, full, nullptr);
    Print(std::string("install: ") + full);
    HMODULE module = LoadModule(full);
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

static std::string RegText(HKEY root, const std::string& key, const char* name) {
    char data[MAX_PATH * 2] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return "";
    return data;
}

static bool StartPlugin(HostObject* host, const std::string& name) {
    Print("plug-in " + name);
    std::string clsidText = RegText(HKEY_LOCAL_MACHINE, std::string(PLUGINS_KEY "\\") + name, "CLSID");
    CLSID clsid;
    if (clsidText.empty() || FAILED(CLSIDFromString(Wide(clsidText, CP_ACP).c_str(), &clsid))) {
        Print("  no valid CLSID value");
        return false;
    }
    std::string server = RegText(HKEY_CLASSES_ROOT, "CLSID\\" + clsidText + "\\InProcServer32", "");
    Print("  class " + clsidText + " in " + (server.empty() ? "(not registered)" : server));
    if (server.empty()) return false;
    HMODULE module = LoadModule(server);
    if (!module) return false;
    auto getClassObject = reinterpret_cast<GetClassObjectEntry>(GetProcAddress(module, "DllGetClassObject"));
    if (!getClassObject) {
        Print("  the module has no DllGetClassObject");
        return false;
    }
    co<IClassFactory> factory;
    HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.Out()));
    if (FAILED(hr)) {
        Print("  DllGetClassObject failed: " + Hex(hr));
        return false;
    }
    co<ITallivantPlugin> plugin;
    hr = factory->CreateInstance(nullptr, IID_ITallivantPlugin, reinterpret_cast<void**>(plugin.Out()));
    if (FAILED(hr)) {
        Print("  CreateInstance failed: " + Hex(hr));
        return false;
    }
    hr = plugin->Initialize(host);
    if (FAILED(hr)) {
        Print("  initialise failed: " + Hex(hr));
        return false;
    }
    Print("  initialised: " + std::to_string(host->Terminals()->Extenders().size()) + " terminal and " +
          std::to_string(host->Sessions()->Extenders().size()) + " session extender(s) registered so far");
    return true;
}

int StartPlugins(HostObject* host) {
    HKEY plugins = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PLUGINS_KEY, 0, KEY_READ, &plugins) != ERROR_SUCCESS) {
        Print("no plug-ins registered (HKEY_LOCAL_MACHINE\\" PLUGINS_KEY ")");
        return 0;
    }
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(plugins, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    RegCloseKey(plugins);
    int started = 0;
    for (const std::string& n : names)
        if (StartPlugin(host, n)) ++started;
    return started;
}

#include "PluginClass.h"

#include <oleauto.h>
#include <stdio.h>

#include "Console.h"

typedef HRESULT(WINAPI* GetClassObjectEntry)(REFCLSID, REFIID, void**);

std::string HexCode(HRESULT hr) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::string TakeErrorInfo() {
    IErrorInfo* error = nullptr;
    if (GetErrorInfo(0, &error) != S_OK || !error) return std::string();
    BSTR source = nullptr, description = nullptr;
    error->GetSource(&source);
    error->GetDescription(&description);
    error->Release();
    std::wstring text = L" (" + std::wstring(source ? source : L"") + L": " +
                        std::wstring(description ? description : L"") + L")";
    SysFreeString(source);
    SysFreeString(description);
    return Ansi(text);
}

HMODULE LoadPluginModule(const std::string& path) {
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) Print("  cannot load " + path + ": error " + std::to_string(GetLastError()));
    return module;
}

std::vector<std::string> RegisteredPlugins(const char* listKey) {
    std::vector<std::string> names;
    HKEY list = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, listKey, 0, KEY_READ, &list) != ERROR_SUCCESS) {
        Print(std::string("nothing registered (HKEY_LOCAL_MACHINE\\") + listKey + ")");
        return names;
    }
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(list, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    RegCloseKey(list);
    return names;
}

static std::string RegText(HKEY root, const std::string& key, const char* name) {
    char data[MAX_PATH * 2] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return "";
    return data;
}

std::string PluginServer(const char* listKey, const std::string& name) {
    std::string clsidText = RegText(HKEY_LOCAL_MACHINE, std::string(listKey) + "\\" + name, "CLSID");
    return clsidText.empty() ? "" : RegText(HKEY_CLASSES_ROOT, "CLSID\\" + clsidText + "\\InProcServer32", "");
}

IUnknown* CreatePluginObject(const char* listKey, const std::string& name, REFIID iid) {
    std::string clsidText = RegText(HKEY_LOCAL_MACHINE, std::string(listKey) + "\\" + name, "CLSID");
    CLSID clsid;
    if (clsidText.empty() || FAILED(CLSIDFromString(Wide(clsidText, CP_ACP).c_str(), &clsid))) {
        Print("  no valid CLSID value");
        return nullptr;
    }
    std::string server = RegText(HKEY_CLASSES_ROOT, "CLSID\\" + clsidText + "\\InProcServer32", "");
    Print("  class " + clsidText + " in " + (server.empty() ? "(not registered)" : server));
    if (server.empty()) return nullptr;
    HMODULE module = LoadPluginModule(server);
    if (!module) return nullptr;
    auto getClassObject = reinterpret_cast<GetClassObjectEntry>(GetProcAddress(module, "DllGetClassObject"));
    if (!getClassObject) {
        Print("  the module has no DllGetClassObject");
        return nullptr;
    }
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr) || !factory) {
        Print("  DllGetClassObject failed: " + HexCode(hr));
        return nullptr;
    }
    IUnknown* object = nullptr;
    hr = factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object));
    factory->Release();
    if (FAILED(hr) || !object) {
        Print("  CreateInstance failed: " + HexCode(hr));
        return nullptr;
    }
    return object;
}

#include "Page/HelpFile.h"

#include <string.h>

#include <fwbase/Path.h>
#include <owned.h>

#include "Resources/Instance.h"

#define HTML_HELP_SERVER "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32"

string HelpFilePath() {
    return GetParentPath(GetModuleFileNameA(PluginInstance())) + "aRvik.chm";
}

bool FindHtmlHelpControl(char* buffer) {
    RegistryKey key;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, HTML_HELP_SERVER, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
        key.Detach();
        return false;
    }
    return ReadServerFile(key.get(), buffer);
}

bool ReadServerFile(HKEY key, char* buffer) {
    char value[MAX_PATH];
    DWORD type = REG_NONE, size = MAX_PATH;
    if (::RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
        return false;
    // A value stored without its terminator must still end inside the buffer.
    value[size < MAX_PATH ? size : MAX_PATH - 1] = 0;
    if (type != REG_EXPAND_SZ) {
        lstrcpyA(buffer, value);
        return true;
    }
    DWORD n = ::ExpandEnvironmentStringsA(value, buffer, MAX_PATH);
    return n > 0 && n <= MAX_PATH;
}

HMODULE LoadFromSystemFolder(const char* name, bool searchFlag) {
    if (searchFlag) return ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    char folder[MAX_PATH];
    UINT n = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    // The control's own imports are looked for in its folder first.
    return ::LoadLibraryExA((MakePathSpec(folder) + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE WINAPI LoadHelpControl(LPCSTR name) {
    if (IsAbsolutePath(name)) return ::LoadLibraryA(name);
    // The flag came with AddDllDirectory (Windows 8, and Windows 7 with its
    // update): where one is, so is the other.
    static const bool searchFlag = ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "AddDllDirectory") != nullptr;
    bool plain = !strpbrk(name, "\\/:");
    return LoadFromSystemFolder(name, searchFlag && plain);
}

HWND HtmlHelpBinding::Call(HWND caller, LPCSTR file, UINT command, DWORD_PTR data) {
    if (!module_ && !failed_) {
        char name[MAX_PATH];
        if (find_(name)) module_ = load_(name);
        if (!module_) module_ = load_("hhctrl.ocx");
        if (!module_) {
            failed_ = 1;
            return nullptr;
        }
    }
    if (failed_ && !module_) return nullptr;
    if (!entry_) {
        entry_ = reinterpret_cast<HtmlHelpEntry>(::GetProcAddress(module_, MAKEINTRESOURCEA(14)));
        if (!entry_) {
            failed_ = 1;
            return nullptr;
        }
    }
    return entry_(caller, file, command, data);
}

HWND CallHtmlHelp(HWND caller, LPCSTR file, UINT command, DWORD_PTR data) {
    static HtmlHelpBinding binding;
    return binding.Call(caller, file, command, data);
}

#include "Page/HelpFile.h"

#include <string.h>

#include <fwbase/Path.h>

#include "Resources/Instance.h"

#define HTML_HELP_SERVER "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32"

string HelpFilePath() {
    return GetParentPath(GetModuleFileNameA(PluginInstance())) + "aRvik.chm";
}

bool FindHtmlHelpControl(char* buffer) {
    RequiredKey key = RequiredKey::Optional(HKEY_CLASSES_ROOT, HTML_HELP_SERVER, KEY_READ);
    return key && ReadServerFile(key, buffer);
}

bool ReadServerFile(const RequiredKey& key, char* buffer) {
    RequiredKey::Value value = key.Read("");
    // A file's name is a text; one that does not fit the buffer is none.
    if ((value.type != REG_SZ && value.type != REG_EXPAND_SZ) || value.text.length() >= MAX_PATH) return false;
    if (value.type != REG_EXPAND_SZ) {
        lstrcpyA(buffer, value.text);
        return true;
    }
    DWORD n = ::ExpandEnvironmentStringsA(value.text, buffer, MAX_PATH);
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

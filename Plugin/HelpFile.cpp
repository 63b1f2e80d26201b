#include "HelpFile.h"

#include <fwbase/Path.h>

#include "Instance.h"

#define HTML_HELP_SERVER "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32"

string HelpFilePath() {
    return GetParentPath(GetModuleFileNameA(PluginInstance())) + "aRvik.chm";
}

bool FindHtmlHelpControl(char* buffer) {
    HKEY key;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, HTML_HELP_SERVER, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = MAX_PATH;
    LONG result = ::RegQueryValueExA(key, "", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS) return false;
    // A value stored without its terminator must still end inside the buffer.
    buffer[size < MAX_PATH ? size : MAX_PATH - 1] = 0;
    return true;
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

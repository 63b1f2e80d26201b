// The plug-in's help file and the HTML Help control, bound at run time.
//
// The control's file is found through the registration of its COM class,
// with "hhctrl.ocx" as the fallback; its HtmlHelpA is export ordinal 14.
// A name without a full path is loaded from the system folder only, so that
// a file of that name in the host's or the current folder is never loaded.
// The first successful binding lasts for the process and is never freed; a
// failed one is final: later calls give 0 without loading anything.
#pragma once

#include <windows.h>

#include <str.h>

#include "Settings/RequiredKey.h"

// Folder of the plug-in module followed by "aRvik.chm".
string HelpFilePath();

// The default value of the control's InprocServer32 key into buffer
// (MAX_PATH bytes), as ReadServerFile gives it. False when it cannot be read.
bool FindHtmlHelpControl(char* buffer);

// The default value of key, a REG_SZ or REG_EXPAND_SZ, into buffer
// (MAX_PATH bytes), the latter with its environment references expanded.
// False when it is missing, of another type, or does not fit.
bool ReadServerFile(const RequiredKey& key, char* buffer);

// The control's file by name: a full path as it stands; any other name
// from the system folder only, as LoadFromSystemFolder loads it.
HMODULE WINAPI LoadHelpControl(LPCSTR name);

// name loaded from the system folder only: with LOAD_LIBRARY_SEARCH_SYSTEM32
// when searchFlag (LoadHelpControl gives it where the system has the flag),
// else by the folder's full path. Null, with the system's last error, when
// the folder has no such file.
HMODULE LoadFromSystemFolder(const char* name, bool searchFlag);

typedef HWND(WINAPI* HtmlHelpEntry)(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);

// One binding to the control. The process uses one (CallHtmlHelp); tests
// make their own with other ways of finding and loading.
class HtmlHelpBinding {
public:
    typedef bool (*Finder)(char* buffer);
    typedef HMODULE(WINAPI* Loader)(LPCSTR name);

    HtmlHelpBinding(Finder find = FindHtmlHelpControl, Loader load = LoadHelpControl)
        : find_(find), load_(load), module_(nullptr), failed_(0), entry_(nullptr) {}

    // The entry point's result, or 0 when the control cannot be bound.
    HWND Call(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);
    bool Failed() const { return failed_ != 0; }

private:
    Finder find_;
    Loader load_;
    HMODULE module_;
    LONG failed_;
    HtmlHelpEntry entry_;
};

// HtmlHelpA through the process-wide binding.
HWND CallHtmlHelp(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);

// The plug-in's help file and the HTML Help control, bound at run time.
//
// The control's file is found through the registration of its COM class,
// with "hhctrl.ocx" as the fallback; its HtmlHelpA is export ordinal 14.
// The first successful binding lasts for the process and is never freed; a
// failed one is final: later calls give 0 without loading anything.
#pragma once

#include <windows.h>

#include <str.h>

// Folder of the plug-in module followed by "aRvik.chm".
string HelpFilePath();

// The default value of the control's InprocServer32 key into buffer
// (MAX_PATH bytes), unexpanded. False when it cannot be read.
bool FindHtmlHelpControl(char* buffer);

typedef HWND(WINAPI* HtmlHelpEntry)(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);

// One binding to the control. The process uses one (CallHtmlHelp); tests
// make their own with other ways of finding and loading.
class HtmlHelpBinding {
public:
    typedef bool (*Finder)(char* buffer);
    typedef HMODULE(WINAPI* Loader)(LPCSTR name);

    HtmlHelpBinding(Finder find = FindHtmlHelpControl, Loader load = ::LoadLibraryA)
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

// File paths. Folders given back end in one backslash; both slashes count
// as separators on input.
#pragma once

#include <windows.h>

#include <str.h>

// Full path of module's file; null gives the host executable's.
string GetModuleFileNameA(HMODULE module);

// The last part of path: "C:\Dir\a.dll" gives "a.dll".
string GetFileName(const char* path);

// The folder of path with its trailing backslash: "C:\Dir\a.dll" gives
// "C:\Dir\". A bare name gives the empty text.
string GetParentPath(const char* path);

// folder ending in exactly one backslash: "D:\App" and "D:\App\\" give
// "D:\App\". The empty text stays empty (it names no folder).
string MakePathSpec(const char* folder);

// True for "X:\..." (or "X:/..."), for UNC names ("\\server\...") and for
// names rooted at the current drive ("\dir"). "X:name" is relative.
bool IsAbsolutePath(const char* path);

// Creates folder and any missing parents. True when the folder exists
// afterwards.
bool CreatePath(const char* folder, SECURITY_ATTRIBUTES* security);

// A shell folder such as CSIDL_APPDATA (26), without a trailing backslash;
// the empty text when the system has none.
string GetSpecialFolderPath(HWND owner, int csidl);

// Expands %NAME% references from the process environment as the system's
// ExpandEnvironmentStrings does: a reference to a name that is not set, and
// a lone "%", stay as they stand. Unlike the system call, any length.
string ExpEnv(const char* text);

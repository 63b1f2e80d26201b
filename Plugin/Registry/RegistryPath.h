// RegistryPath: a registry key as a script names it, a root (HKLM, HKCU,
// HKCR, HKU, HKCC or its long name HKEY_..., any case) and the path below
// it; and the view (32, 64 or the process's own) it is opened in.
#pragma once

#include <windows.h>

#include <str.h>

struct RegistryPath {
    HKEY root = nullptr;
    // Below the root, without a closing backslash; empty for the root.
    basic_text<wchar_t> below;

    // False when text names no root ("HKLM", "hkey_current_user\Software\X").
    bool Parse(const wchar_t* text);
};

// The access flag of a view: "" gives 0, "32" KEY_WOW64_32KEY, "64"
// KEY_WOW64_64KEY; false for any other text.
bool ParseRegistryView(const wchar_t* text, REGSAM& view);

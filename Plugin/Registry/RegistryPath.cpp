#include "Registry/RegistryPath.h"

#include <wchar.h>

bool RegistryPath::Parse(const wchar_t* text) {
    static const struct {
        const wchar_t* shortName;
        const wchar_t* longName;
        HKEY root;
    } roots[] = {
        {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {L"HKU", L"HKEY_USERS", HKEY_USERS},
        {L"HKCC", L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    const wchar_t* slash = wcschr(text, L'\\');
    size_t n = slash ? static_cast<size_t>(slash - text) : wcslen(text);
    root = nullptr;
    for (const auto& known : roots)
        if ((wcslen(known.shortName) == n && _wcsnicmp(text, known.shortName, n) == 0) ||
            (wcslen(known.longName) == n && _wcsnicmp(text, known.longName, n) == 0))
            root = known.root;
    if (!root) return false;
    const wchar_t* rest = slash ? slash + 1 : text + n;
    size_t length = wcslen(rest);
    while (length && rest[length - 1] == L'\\') --length;
    below = basic_text<wchar_t>(rest, length);
    return true;
}

bool ParseRegistryView(const wchar_t* text, REGSAM& view) {
    if (!*text) view = 0;
    else if (wcscmp(text, L"32") == 0) view = KEY_WOW64_32KEY;
    else if (wcscmp(text, L"64") == 0) view = KEY_WOW64_64KEY;
    else return false;
    return true;
}

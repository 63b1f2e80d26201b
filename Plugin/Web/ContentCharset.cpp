#include "Web/ContentCharset.h"

#include <wchar.h>

namespace {

struct Charset {
    const wchar_t* name;
    UINT page;
};

// The names the web uses for the pages a Russian terminal meets, and their
// common aliases.
const Charset kCharsets[] = {
    {L"utf-8", CP_UTF8},         {L"utf8", CP_UTF8},          {L"windows-1251", 1251},
    {L"cp1251", 1251},           {L"x-cp1251", 1251},         {L"windows-1252", 1252},
    {L"cp1252", 1252},           {L"iso-8859-1", 28591},      {L"latin1", 28591},
    {L"us-ascii", 20127},        {L"ascii", 20127},           {L"koi8-r", 20866},
    {L"koi8-u", 21866},          {L"ibm866", 866},            {L"cp866", 866},
    {L"iso-8859-5", 28595},
};

bool Blank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

UINT ContentCharset(const wchar_t* contentType) {
    if (!contentType) return CP_UTF8;
    // Parameters follow the type, each after a ";".
    for (const wchar_t* at = wcschr(contentType, L';'); at; at = wcschr(at + 1, L';')) {
        const wchar_t* name = at + 1;
        while (Blank(*name)) ++name;
        if (_wcsnicmp(name, L"charset=", 8) != 0) continue;
        const wchar_t* value = name + 8;
        bool quoted = *value == L'"';
        if (quoted) ++value;
        size_t length = 0;
        while (value[length] && value[length] != L';' && value[length] != L'"' && !Blank(value[length])) ++length;
        for (const Charset& charset : kCharsets)
            if (wcslen(charset.name) == length && _wcsnicmp(value, charset.name, length) == 0) return charset.page;
        return CP_UTF8;
    }
    return CP_UTF8;
}

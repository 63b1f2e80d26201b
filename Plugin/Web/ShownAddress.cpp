#include "Web/ShownAddress.h"

#include <wchar.h>

#include <Buffer.h>
#include <ShownText.h>

static bool SchemeCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'+' ||
           c == L'-' || c == L'.';
}

// The start of the host part: after "scheme://", after a leading "//",
// else the start.
static size_t AuthorityStart(const wchar_t* url) {
    if (url[0] == L'/' && url[1] == L'/') return 2;
    size_t k = 0;
    while (SchemeCharacter(url[k])) ++k;
    return k && url[k] == L':' && url[k + 1] == L'/' && url[k + 2] == L'/' ? k + 3 : 0;
}

size_t UserInfoEnd(const wchar_t* url) {
    if (!url) return 0;
    // Only a "/" ends the search: the system's parser takes "user:pa#ss@host"
    // and "user:pa?ss@host" as a name and password too, so a "?", "#" or "\"
    // before an "@" must not hide them.
    size_t start = AuthorityStart(url), at = 0;
    for (size_t k = start; url[k] && url[k] != L'/'; ++k)
        if (url[k] == L'@') at = k;
    return at;
}

string ShownAddress(const wchar_t* url) {
    size_t at = UserInfoEnd(url);
    if (!at) return TAXDK::Standard::ShownText(url);
    Buffer<wchar_t> shown;
    size_t start = AuthorityStart(url);
    shown.Append(url, start);
    shown.Append(L"***", 3);
    shown.Append(url + at, wcslen(url + at) + 1);
    return TAXDK::Standard::ShownText(shown.Data());
}

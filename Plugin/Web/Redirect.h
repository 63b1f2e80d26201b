// Redirects as aRvik.Http follows them, WinHTTP's own following off: a
// 301, 302, 303, 307 or 308 with a Location, at most ten in a row, to http
// and https only, never from https to http. Once the scheme, the host or
// the port changes, the script's Authorization, Proxy-Authorization and
// Cookie lines go no further. 303 (but after GET or HEAD), and 301 and 302
// after a request with a body, go on as GET without the body and its
// Content-Type; 307 and 308 keep the method and the body.
#pragma once

#include <windows.h>

#include <str.h>

#include "Web/HttpRequest.h"

// One request of the chain.
struct HttpHop {
    basic_text<wchar_t> url;     // the address asked, absolute
    HttpAddress address;
    string shownUrl;             // as failures name it (ShownAddress)
    const wchar_t* method = L"GET";
    bool body = true;            // the script's body goes on, if it has one
    bool credentials = true;     // its Authorization, Proxy-Authorization and Cookie lines do
};

const unsigned maxRedirects = 10;

// Whether an answer of status goes on to its Location.
bool Redirects(DWORD status);

// reference, a Location, resolved against base, an absolute address, as
// RFC 3986 (5.2) resolves it; without its fragment.
basic_text<wchar_t> ResolveReference(const wchar_t* base, const wchar_t* reference);

// Where from goes after it was answered status with location, the
// followed-th redirect in a row; withBody: from sent a body. Throws
// RequestFailed naming the address it would go to: "больше 10
// перенаправлений" for the eleventh, "перенаправление с https на http",
// "перенаправление не выполнено" for an address that is no http or https
// one, or holds a name and password, or that the system cannot take apart.
HttpHop NextHop(const HttpHop& from, DWORD status, const wchar_t* location, unsigned followed, bool withBody);

// The header lines ("Name: value\r\n" each) that go with hop: without the
// credentials' lines, and without Content-Type when the body stays behind.
basic_text<wchar_t> HopHeaders(const wchar_t* lines, const HttpHop& hop);

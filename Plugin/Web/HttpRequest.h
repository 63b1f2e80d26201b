// HttpClient: requests through WinHTTP on one session the plug-in opens at
// its first request and keeps, with the system's proxy settings and the
// system's checks of a server's certificate (a failed one fails the
// request; nothing here turns the checks off).
//
// Send makes one request, follows its redirects (Redirect.h) and reads the
// whole answer within the request's time: resolving the names, connecting,
// sending and every read of every hop together. Any other status is an
// answer. The body's first bytes up to a limit are kept, the rest counted
// and dropped, so a long answer costs no more memory than the limit, or
// every byte goes to a sink (HttpBody.h); a body that ends before its
// Content-Length fails. A request's body is bytes in memory or a source
// of any size. Failures of the network throw
// RequestFailed (HttpFailure.h), others WindowsError. Safe for several
// threads at once.
#pragma once

#include <windows.h>

#include <Buffer.h>
#include <Trevan/CriticalSection.h>
#include <str.h>

#include "Web/HttpBody.h"
#include "Web/InternetHandle.h"

// An http:// or https:// address taken apart; false when the system cannot
// (no host, a port out of range, another scheme).
struct HttpAddress {
    bool secure = false;
    INTERNET_PORT port = 0;
    basic_text<wchar_t> host;
    basic_text<wchar_t> path;  // with the query, "/" at least
};
bool ParseAddress(const wchar_t* url, HttpAddress& address);

struct HttpRequest {
    basic_text<wchar_t> url;         // as given, without a name and password
    HttpAddress address;             // url taken apart
    string shownUrl;                 // the address as failures name it
    const wchar_t* method = L"GET";
    const wchar_t* headers = nullptr;  // lines "Name: value", each ending in "\r\n"; null for none
    const char* body = nullptr;      // sent as it is
    DWORD bodySize = 0;
    HttpBodySource* bodySource = nullptr;  // the body instead, when set
    DWORD timeout = 60000;           // milliseconds for the whole request
};

struct HttpResponse {
    DWORD status = 0;
    UINT page = CP_UTF8;             // the charset the response declares
    HttpBodySink* sink = nullptr;    // takes the body when set, nothing kept
    Buffer<char> body;               // its first bytes, up to the limit
    unsigned long long total = 0;    // every byte of the body
};

class HttpClient {
public:
    HttpClient() {}
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    void Send(const HttpRequest& request, size_t limit, HttpResponse& response);

private:
    HINTERNET Session();

    Trevan::CriticalSection section_;
    InternetHandle session_;
};

#include "HttpRequest.h"

#include <limits.h>
#include <string.h>

#include <checks.h>

#include "ContentCharset.h"
#include "HttpFailure.h"

bool ParseAddress(const wchar_t* url, HttpAddress& address) {
    URL_COMPONENTS parts;
    memset(&parts, 0, sizeof parts);
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url, 0, 0, &parts)) return false;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return false;
    if (!parts.dwHostNameLength) return false;
    address.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    address.port = parts.nPort;
    address.host = basic_text<wchar_t>(parts.lpszHostName, parts.dwHostNameLength);
    // The path runs on into the query, which follows it in the address.
    size_t pathLength = parts.dwUrlPathLength + parts.dwExtraInfoLength;
    if (!pathLength) address.path = L"/";
    else if (parts.dwUrlPathLength) address.path = basic_text<wchar_t>(parts.lpszUrlPath, pathLength);
    else address.path = basic_text<wchar_t>(L"/") + basic_text<wchar_t>(parts.lpszExtraInfo, pathLength).c_str();
    return true;
}

// Windows 8.1 and later follow the system's proxy settings, automatic
// configuration included, by themselves; before, the user's proxy and its
// exceptions are read here (a configuration script is not run there).
static InternetHandle OpenSession() {
    const wchar_t* agent = L"aRvik";
    InternetHandle session(
        WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session && GetLastError() == ERROR_INVALID_PARAMETER) {
        WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user;
        memset(&user, 0, sizeof user);
        if (WinHttpGetIEProxyConfigForCurrentUser(&user) && user.lpszProxy)
            session.Reset(WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, user.lpszProxy,
                                      user.lpszProxyBypass ? user.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS, 0));
        else
            session.Reset(WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                      WINHTTP_NO_PROXY_BYPASS, 0));
        DWORD error = GetLastError();
        GlobalFree(user.lpszAutoConfigUrl);
        GlobalFree(user.lpszProxy);
        GlobalFree(user.lpszProxyBypass);
        SetLastError(error);
    }
    THROW_LAST_ERROR_IF(!session);
    // TLS 1.2 and later, also where the system's default is older; a system
    // that knows neither flag keeps its own choice.
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    if (!WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
        protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
        WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
    }
    return session;
}

HINTERNET HttpClient::Session() {
    Trevan::Lock hold(section_);
    if (!session_) session_ = OpenSession();
    return session_.get();
}

namespace {

// The request's time, spent step by step: each blocking call may take what
// is left, and none starts once nothing is. Setting the limits costs as
// much as a small request's reads (under Wine): they are set anew only
// once what is left falls a sixteenth of the time below them, which is
// then the most the request can overrun.
class Deadline {
public:
    Deadline(const HttpRequest& request)
        : request_(request), end_(GetTickCount64() + request.timeout), slack_(request.timeout / 16) {}

    // Gives the request handle what is left for its next call.
    void Limit(HINTERNET handle) {
        ULONGLONG now = GetTickCount64();
        if (now >= end_) throw RequestFailed(ERROR_WINHTTP_TIMEOUT, request_.timeout, request_.shownUrl);
        ULONGLONG left = end_ - now;
        if (set_ && left + slack_ >= set_) return;
        // WinHTTP takes an int, and 0 as no limit at all.
        int wait = left > INT_MAX ? INT_MAX : static_cast<int>(left);
        THROW_IF_WIN32_FALSE(WinHttpSetTimeouts(handle, wait, wait, wait, wait));
        // The wait for the response's headers has a limit of its own.
        DWORD headers = static_cast<DWORD>(wait);
        THROW_IF_WIN32_FALSE(WinHttpSetOption(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headers, sizeof headers));
        set_ = static_cast<DWORD>(wait);
    }
    // A failed call: past the end any error is the time running out.
    [[noreturn]] void Failed() const {
        DWORD error = GetLastError();
        if (GetTickCount64() >= end_) error = ERROR_WINHTTP_TIMEOUT;
        throw RequestFailed(error, request_.timeout, request_.shownUrl);
    }

private:
    const HttpRequest& request_;
    ULONGLONG end_;
    DWORD slack_;
    DWORD set_ = 0;  // the limit last set; none yet
};

// The response's Content-Type, empty when it has none.
basic_text<wchar_t> ContentType(HINTERNET request) {
    wchar_t small[256];
    DWORD size = sizeof small;
    if (WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX, small, &size,
                            WINHTTP_NO_HEADER_INDEX))
        return basic_text<wchar_t>(small, size / sizeof(wchar_t));
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return basic_text<wchar_t>();
    Buffer<wchar_t> large;
    wchar_t* room = large.Room(size / sizeof(wchar_t) + 1);
    THROW_IF_WIN32_FALSE(WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX,
                                             room, &size, WINHTTP_NO_HEADER_INDEX));
    return basic_text<wchar_t>(room, size / sizeof(wchar_t));
}

const DWORD chunkSize = 64 << 10;

}  // namespace

void HttpClient::Send(const HttpRequest& request, size_t limit, HttpResponse& response) {
    Deadline deadline(request);
    const HttpAddress& address = request.address;
    InternetHandle connection(WinHttpConnect(Session(), address.host, address.port, 0));
    if (!connection) deadline.Failed();
    InternetHandle handle(WinHttpOpenRequest(connection.get(), request.method, address.path, nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                             address.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!handle) deadline.Failed();
    deadline.Limit(handle.get());
    const wchar_t* headers = request.headers ? request.headers : WINHTTP_NO_ADDITIONAL_HEADERS;
    DWORD headersLength = request.headers ? static_cast<DWORD>(-1) : 0;
    void* body = const_cast<char*>(request.body);
    if (!WinHttpSendRequest(handle.get(), headers, headersLength, request.bodySize ? body : WINHTTP_NO_REQUEST_DATA,
                            request.bodySize, request.bodySize, 0))
        deadline.Failed();
    deadline.Limit(handle.get());
    if (!WinHttpReceiveResponse(handle.get(), nullptr)) deadline.Failed();
    DWORD size = sizeof response.status;
    THROW_IF_WIN32_FALSE(WinHttpQueryHeaders(handle.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                             WINHTTP_HEADER_NAME_BY_INDEX, &response.status, &size,
                                             WINHTTP_NO_HEADER_INDEX));
    response.page = ContentCharset(ContentType(handle.get()));
    aptr<char> chunk(new char[chunkSize]);
    for (;;) {
        deadline.Limit(handle.get());
        DWORD got = 0;
        if (!WinHttpReadData(handle.get(), chunk.get(), chunkSize, &got)) deadline.Failed();
        if (!got) break;
        response.total += got;
        size_t kept = response.body.Size();
        if (kept < limit) response.body.Append(chunk.get(), got < limit - kept ? got : limit - kept);
    }
}

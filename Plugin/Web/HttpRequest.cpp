#include "Web/HttpRequest.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include <checks.h>

#include "Web/ContentCharset.h"
#include "Web/HttpFailure.h"
#include "Web/Redirect.h"

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

// The request's time, spent step by step over every hop: each blocking
// call may take what is left, and none starts once nothing is. Setting
// the limits costs as much as a small request's reads (under Wine): on a
// request handle they are set anew only once what is left falls a
// sixteenth of the time below them, which is then the most the request
// can overrun.
class Deadline {
public:
    explicit Deadline(DWORD timeout)
        : timeout_(timeout), end_(GetTickCount64() + timeout), slack_(timeout / 16) {}

    // The address failures name from now on.
    void Address(const string& shown) { shown_ = &shown; }
    // A request handle just opened has WinHTTP's own limits, though it may
    // have the value of one closed before it.
    void Opened() { handle_ = nullptr; }
    // Gives the request handle what is left for its next call.
    void Limit(HINTERNET handle) {
        ULONGLONG now = GetTickCount64();
        if (now >= end_) throw RequestFailed(ERROR_WINHTTP_TIMEOUT, timeout_, *shown_);
        ULONGLONG left = end_ - now;
        if (handle == handle_ && left + slack_ >= set_) return;
        // WinHTTP takes an int, and 0 as no limit at all.
        int wait = left > INT_MAX ? INT_MAX : static_cast<int>(left);
        THROW_IF_WIN32_FALSE(WinHttpSetTimeouts(handle, wait, wait, wait, wait));
        // The wait for the response's headers has a limit of its own.
        DWORD headers = static_cast<DWORD>(wait);
        THROW_IF_WIN32_FALSE(WinHttpSetOption(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headers, sizeof headers));
        handle_ = handle;
        set_ = static_cast<DWORD>(wait);
    }
    // A failed call, its error GetLastError's or the one given: past the
    // end any error is the time running out.
    [[noreturn]] void Failed(DWORD error = GetLastError()) const {
        if (GetTickCount64() >= end_) error = ERROR_WINHTTP_TIMEOUT;
        throw RequestFailed(error, timeout_, *shown_);
    }

private:
    DWORD timeout_;
    ULONGLONG end_;
    DWORD slack_;
    const string* shown_ = nullptr;
    HINTERNET handle_ = nullptr;  // the handle limited last
    DWORD set_ = 0;               // its limit
};

// The response's header info as text; false when it has none.
bool HeaderText(HINTERNET request, DWORD info, basic_text<wchar_t>& text) {
    wchar_t small[256];
    DWORD size = sizeof small;
    if (WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, small, &size, WINHTTP_NO_HEADER_INDEX)) {
        text = basic_text<wchar_t>(small, size / sizeof(wchar_t));
        return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    Buffer<wchar_t> large;
    wchar_t* room = large.Room(size / sizeof(wchar_t) + 1);
    THROW_IF_WIN32_FALSE(WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, room, &size,
                                             WINHTTP_NO_HEADER_INDEX));
    text = basic_text<wchar_t>(room, size / sizeof(wchar_t));
    return true;
}

// Bytes written or read in one call at most.
const DWORD chunkSize = 64 << 10;

// The body as Exchange sends it, from memory or from a source, each piece
// at most chunkSize.
class BodyPieces {
public:
    BodyPieces(const HttpRequest& request, bool sent) {
        if (!sent) return;
        source_ = request.bodySource;
        if (source_) {
            source_->Rewind();
            size_ = source_->Size();
            room_ = new char[chunkSize];
        } else {
            memory_ = request.body;
            size_ = request.bodySize;
        }
    }
    unsigned long long Size() const { return size_; }
    // The next piece, at least a byte while any is left.
    const char* Next(DWORD& size) {
        unsigned long long left = size_ - at_;
        size = left < chunkSize ? static_cast<DWORD>(left) : chunkSize;
        if (!source_) return memory_ + at_;
        size = source_->Read(room_.get(), size);
        if (!size) source_->Shorter();
        return room_.get();
    }
    // size bytes of the piece went; true when the body has.
    bool Sent(DWORD size) { return (at_ += size) >= size_; }

private:
    HttpBodySource* source_ = nullptr;
    const char* memory_ = nullptr;
    aptr<char> room_;
    unsigned long long size_ = 0, at_ = 0;
};

// Sends the request with its body and waits for the answer's headers. The
// body goes in pieces after the headers: a server that answers before it
// has all of it (413, 414, 431...) and closes fails a write, and its answer
// can still be read then. Given whole to WinHttpSendRequest, the body's
// failed write loses the answer (under Wine it may first wait out the time).
// A body of 4 GiB or more, whose length WinHttpSendRequest cannot take,
// declares it in a Content-Length line of its own.
void Exchange(HINTERNET handle, const wchar_t* headers, const HttpRequest& request, bool withBody,
              Deadline& deadline) {
    BodyPieces body(request, withBody);
    unsigned long long size = body.Size();
    DWORD total = static_cast<DWORD>(size);
    basic_text<wchar_t> lines;
    if (size > 0xFFFFFFFFull) {
        wchar_t length[48];
        _snwprintf(length, sizeof length / sizeof *length, L"Content-Length: %I64u\r\n", size);
        lines = basic_text<wchar_t>(headers ? headers : L"") + length;
        headers = lines.c_str();
        total = WINHTTP_IGNORE_REQUEST_TOTAL_LENGTH;
    }
    deadline.Limit(handle);
    if (!WinHttpSendRequest(handle, headers ? headers : WINHTTP_NO_ADDITIONAL_HEADERS, headers ? static_cast<DWORD>(-1) : 0,
                            WINHTTP_NO_REQUEST_DATA, 0, total, 0))
        deadline.Failed();
    DWORD cut = 0;  // the error of a write the server ended
    for (bool done = size == 0; !done;) {
        DWORD piece = 0;
        const char* bytes = body.Next(piece);
        for (DWORD sent = 0; sent < piece && !cut;) {
            deadline.Limit(handle);
            DWORD put = 0;
            BOOL wrote = WinHttpWriteData(handle, bytes + sent, piece - sent, &put);
            if (!wrote || !put) cut = wrote ? ERROR_WINHTTP_CONNECTION_ERROR : GetLastError();
            sent += put;
        }
        if (cut) break;
        done = body.Sent(piece);
    }
    deadline.Limit(handle);
    if (!WinHttpReceiveResponse(handle, nullptr)) deadline.Failed(cut ? cut : GetLastError());
}

// Whether an answer of status to method has the body its Content-Length declares.
bool BodyDeclared(const wchar_t* method, DWORD status) {
    return status >= 200 && status != 204 && status != 304 && _wcsicmp(method, L"HEAD") != 0;
}

// Reads the body of the answer to hop, status, into response. Each read
// takes what has arrived (WinHttpQueryDataAvailable returns as soon as a
// byte has; WinHttpReadData waits until its buffer is full), so the time
// is looked at whenever something arrives, also in a body that trickles.
void ReadBody(HINTERNET handle, const HttpHop& hop, DWORD status, size_t limit, Deadline& deadline,
              HttpResponse& response) {
    basic_text<wchar_t> text;
    response.page = ContentCharset(HeaderText(handle, WINHTTP_QUERY_CONTENT_TYPE, text) ? text.c_str() : nullptr);
    // The declared length, room for it made at once.
    bool declared = BodyDeclared(hop.method, status) && HeaderText(handle, WINHTTP_QUERY_CONTENT_LENGTH, text);
    unsigned long long length = declared ? _wcstoui64(text, nullptr, 10) : 0;
    HttpBodySink* sink = response.sink;
    Buffer<char>& kept = response.body;
    if (sink) limit = 0;
    kept.Room(length < limit ? static_cast<size_t>(length) : limit);
    aptr<char> dropped;  // room for the bytes past the limit, or for the sink's
    for (;;) {
        deadline.Limit(handle);
        DWORD available = 0;
        // A chunked body cut before its last chunk fails here or in the read
        // on Windows, with ERROR_WINHTTP_CONNECTION_ERROR: "соединение
        // прервано". WinHTTP under Wine ends it without an error.
        if (!WinHttpQueryDataAvailable(handle, &available)) deadline.Failed();
        if (!available) break;
        deadline.Limit(handle);
        DWORD want = available < chunkSize ? available : chunkSize, got = 0;
        bool keep = kept.Size() + want <= limit;
        if (!keep && !dropped) dropped = new char[chunkSize];
        char* into = keep ? kept.Room(want) : dropped.get();
        if (!WinHttpReadData(handle, into, want, &got)) deadline.Failed();
        if (!got) break;
        response.total += got;
        if (sink) sink->Write(into, got);
        else if (keep) kept.Grow(got);
        else if (kept.Size() < limit) kept.Append(into, got < limit - kept.Size() ? got : limit - kept.Size());
    }
    // WinHTTP reports no error for a body that ends before its
    // Content-Length (under Wine): the count tells. A chunked body has none.
    if (!declared || response.total >= length) return;
    if (HeaderText(handle, WINHTTP_QUERY_TRANSFER_ENCODING, text) && wcsstr(text, L"chunked")) return;
    deadline.Failed(ERROR_WINHTTP_CONNECTION_ERROR);
}

}  // namespace

void HttpClient::Send(const HttpRequest& request, size_t limit, HttpResponse& response) {
    Deadline deadline(request.timeout);
    HttpHop hop;
    hop.url = request.url;
    hop.address = request.address;
    hop.shownUrl = request.shownUrl;
    hop.method = request.method;
    basic_text<wchar_t> lines;  // the headers of a hop that leaves some behind
    for (unsigned followed = 0;;) {
        deadline.Address(hop.shownUrl);
        const wchar_t* headers = request.headers;
        if (headers && (!hop.credentials || !hop.body)) {
            lines = HopHeaders(headers, hop);
            headers = lines.empty() ? nullptr : lines.c_str();
        }
        bool withBody = hop.body && (request.bodySource || request.bodySize);
        const HttpAddress& address = hop.address;
        InternetHandle connection(WinHttpConnect(Session(), address.host, address.port, 0));
        if (!connection) deadline.Failed();
        InternetHandle handle(WinHttpOpenRequest(connection.get(), hop.method, address.path, nullptr,
                                                 WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                 address.secure ? WINHTTP_FLAG_SECURE : 0));
        if (!handle) deadline.Failed();
        deadline.Opened();
        DWORD feature = WINHTTP_DISABLE_REDIRECTS;
        THROW_IF_WIN32_FALSE(WinHttpSetOption(handle.get(), WINHTTP_OPTION_DISABLE_FEATURE, &feature, sizeof feature));
        Exchange(handle.get(), headers, request, withBody, deadline);
        DWORD status = 0, size = sizeof status;
        THROW_IF_WIN32_FALSE(WinHttpQueryHeaders(handle.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                                 WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                                                 WINHTTP_NO_HEADER_INDEX));
        basic_text<wchar_t> location;
        if (Redirects(status) && HeaderText(handle.get(), WINHTTP_QUERY_LOCATION, location)) {
            hop = NextHop(hop, status, location, ++followed, withBody);
            continue;
        }
        response.status = status;
        ReadBody(handle.get(), hop, status, limit, deadline, response);
        return;
    }
}

// http: a GET of 16 KiB from the local server (host/LocalHttpServer) on
// 127.0.0.1, its body as text: aRvik.Http, WinHTTP called directly (one
// session; connect, send, receive, the status, reads of 64 KiB to the
// end), and the HTTP request object WinHttp.WinHttpRequest.5.1 through
// IDispatch as a script would use it.
// The host's setting of aRvik.Url before each command is not timed; every
// variant's text is checked for its length after each run.
#include <winsock2.h>

#include "Cases.h"

#include "../Automation.h"
#include "../Text.h"

#include <winhttp.h>

#include <memory>

#include <HostSession.h>
#include <LocalHttpServer.h>
#include <checks.h>
#include <exceptions.h>

static const size_t bodySize = 16 << 10;

static void CheckLength(size_t got, const char* what) {
    if (got != bodySize)
        throw KLAppException(string(what) + " gave " + std::to_string(got).c_str() + " characters, not " +
                             std::to_string(bodySize).c_str());
}

// One session, made once; each request connects (WinHTTP keeps the
// connection), sends, reads the status and the body, and makes the body a
// string from UTF-8.
class DirectGet {
public:
    DirectGet(unsigned short port) : port_(port) {
        session_ = WinHttpOpen(L"bench", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0);
        THROW_LAST_ERROR_IF(!session_);
    }
    ~DirectGet() { WinHttpCloseHandle(session_); }
    size_t operator()() {
        HINTERNET connection = WinHttpConnect(session_, L"127.0.0.1", port_, 0);
        THROW_LAST_ERROR_IF(!connection);
        HINTERNET request = WinHttpOpenRequest(connection, L"GET", L"/text", nullptr, WINHTTP_NO_REFERER,
                                               WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
        bool done = request && WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                                  WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
                    WinHttpReceiveResponse(request, nullptr);
        DWORD status = 0, size = sizeof status;
        done = done && WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
        std::string body;
        char chunk[65536];
        DWORD got = 0;
        while (done && (done = WinHttpReadData(request, chunk, sizeof chunk, &got)) && got) body.append(chunk, got);
        DWORD error = GetLastError();
        if (request) WinHttpCloseHandle(request);
        WinHttpCloseHandle(connection);
        if (!done) THROW_WIN32(error);
        BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(body.size()));
        int n = MultiByteToWideChar(CP_UTF8, 0, body.data(), static_cast<int>(body.size()), text,
                                    static_cast<int>(body.size()));
        SysFreeString(text);
        return static_cast<size_t>(n);
    }

private:
    unsigned short port_;
    HINTERNET session_;
};

// Open("GET", url, False), Send(), Status, ResponseText: the text's length.
class RequestObjectGet {
public:
    RequestObjectGet() {
        object_ = CreateAutomationObject(L"WinHttp.WinHttpRequest.5.1", "WinHttp.WinHttpRequest.5.1");
        open_ = MemberId(object_.get(), L"Open", "WinHttpRequest members");
        send_ = MemberId(object_.get(), L"Send", "WinHttpRequest members");
        status_ = MemberId(object_.get(), L"Status", "WinHttpRequest members");
        text_ = MemberId(object_.get(), L"ResponseText", "WinHttpRequest members");
    }
    size_t operator()(BSTR url) {
        static BSTR get = SysAllocString(L"GET");
        VARIANT args[3] = {Typed(VT_BOOL), Typed(VT_BSTR), Typed(VT_BSTR)};  // reversed
        V_BOOL(&args[0]) = VARIANT_FALSE;
        V_BSTR(&args[1]) = url;
        V_BSTR(&args[2]) = get;
        CallMethod(object_.get(), open_, args, 3, nullptr, "Open");
        CallMethod(object_.get(), send_, nullptr, 0, nullptr, "Send");
        VARIANT status, text;
        VariantInit(&status);
        VariantInit(&text);
        GetProperty(object_.get(), status_, &status, "Status");
        GetProperty(object_.get(), text_, &text, "ResponseText");
        size_t length = V_VT(&text) == VT_BSTR ? SysStringLen(V_BSTR(&text)) : 0;
        VariantClear(&status);
        VariantClear(&text);
        return length;
    }

private:
    co<IDispatch> object_;
    DISPID open_ = 0, send_ = 0, status_ = 0, text_ = 0;
};

void HttpCase(const Context& c) {
    std::string body(bodySize, 'x');
    for (size_t k = 0; k < bodySize; k += 64) body[k] = '\n';
    LocalHttpServer server([&](const HttpExchange&) {
        return HttpAnswer("200 OK", "Content-Type: text/plain; charset=utf-8\r\n", body);
    });
    if (server.error) THROW_WIN32(static_cast<DWORD>(server.error));
    std::string url = server.Url("/text");
    std::wstring wideUrl(url.begin(), url.end());
    co<HostSession> session(new HostSession);
    Bstr name(L"aRvik.Http");
    DirectGet direct(server.Port());
    std::unique_ptr<RequestObjectGet> object;
    std::string noObject;
    try {
        object.reset(new RequestObjectGet);
    } catch (const KelmirException& e) {
        noObject = e.Reason();
    }
    Bstr objectUrl(wideUrl);
    const int batch = 10;
    std::vector<Result> results = Measure(Budget(c, 4.0, 9, 41), {PluginVariant(c, batch, [&] {
        double seconds = 0;
        for (int i = 0; i < batch; ++i) {
            session->Set(L"aRvik.Url", wideUrl.c_str());
            Stopwatch watch;
            CheckResult(c.plugin->Command(session.get(), name), "aRvik.Http");
            seconds += watch.Seconds();
        }
        CheckLength(wcslen(session->Value(L"aRvik.Output")), "aRvik.Http");
        return seconds;
    }), Variant{batch, [&] {
        size_t length = 0;
        Stopwatch watch;
        for (int i = 0; i < batch; ++i) length = direct();
        double seconds = watch.Seconds();
        CheckLength(length, "the direct request");
        return seconds;
    }, ""}, Variant{batch, [&] {
        size_t length = 0;
        Stopwatch watch;
        for (int i = 0; i < batch; ++i) length = (*object)(objectUrl);
        double seconds = watch.Seconds();
        CheckLength(length, "ResponseText");
        return seconds;
    }, noObject}});
    const Result &plugin = results[0], &directResult = results[1], &objectResult = results[2];
    const char* group = "http GET, 16 KiB";
    c.table->Add({group, "aRvik.Http", plugin, "", "", ""});
    std::string directRatio = Ratio(plugin, directResult);
    c.table->Add({group, "direct: WinHTTP + MultiByteToWideChar", directResult,
                  directRatio, "ratio <= 1.05",
                  directRatio.empty() ? "" : Verdict(plugin.median <= 1.05 * directResult.median)});
    std::string objectRatio = Ratio(plugin, objectResult);
    c.table->Add({group, "WinHttpRequest Open + Send + ResponseText", objectResult, objectRatio, "ratio <= 0.8",
                  objectRatio.empty() ? "" : Verdict(plugin.median <= 0.8 * objectResult.median)});
}

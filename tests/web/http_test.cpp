// aRvik.Http against a server of the test's own on 127.0.0.1: a GET, a POST
// with a Cyrillic body and a header, statuses, the charsets, a chunked and
// a cut body, a server that never answers, a closed port, and the
// arguments it refuses before anything is sent.
#include <winsock2.h>

#include "commands/CommandsTest.h"

#include <mutex>

#include "LocalHttpServer.h"

namespace {

// "Привет" in Windows-1251 and in UTF-8, as the server sends it.
const char kCp1251[] = "\xCF\xF0\xE8\xE2\xE5\xF2";
const char kUtf8[] = u8"Привет";

// The chunked body: 1 MiB of the digits, sent in pieces of 64 KiB.
std::string Digits(size_t size) {
    std::string text(size, '0');
    for (size_t k = 0; k < size; ++k) text[k] = static_cast<char>('0' + k % 10);
    return text;
}

std::string Chunked(const std::string& body) {
    std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nTransfer-Encoding: chunked\r\n\r\n";
    char size[16];
    for (size_t at = 0; at < body.size(); at += 65536) {
        std::string piece = body.substr(at, 65536);
        snprintf(size, sizeof size, "%zx\r\n", piece.size());
        answer += size + piece + "\r\n";
    }
    return answer + "0\r\n\r\n";
}

// A port on which nothing listens: one the system gave and took back.
unsigned short ClosedPort() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    closesocket(s);
    return ntohs(address.sin_port);
}

const wchar_t* const kArguments[] = {L"aRvik.Url", L"aRvik.Method", L"aRvik.Body", L"aRvik.Headers",
                                     L"aRvik.Timeout"};

struct HttpTest : CommandTest {
    std::mutex mutex;
    std::vector<HttpExchange> requests;
    LocalHttpServer server{[this](const HttpExchange& request) {
        {
            std::lock_guard<std::mutex> hold(mutex);
            requests.push_back(request);
        }
        const std::string& path = request.path;
        if (path == "/hello") return HttpAnswer("200 OK", "Content-Type: text/plain\r\n", kUtf8);
        if (path == "/missing")
            return HttpAnswer("404 Not Found", "Content-Type: text/plain; charset=utf-8\r\n", u8"Нет страницы");
        if (path == "/cp1251")
            return HttpAnswer("200 OK", "Content-Type: text/html; charset=\"windows-1251\"\r\n", kCp1251);
        if (path == "/chunked") return Chunked(Digits(1 << 20));
        if (path == "/long") return HttpAnswer("200 OK", "", Digits((16 << 20) + 10));
        if (path == "/silent") return std::string();
        return HttpAnswer("201 Created", "", "");
    }};

    HttpTest() {
        EXPECT_EQ(0, server.error);
        Set(L"aRvik.Result", "old");
        Set(L"aRvik.Output", "old");
    }
    // The last request the server took.
    HttpExchange Last() {
        std::lock_guard<std::mutex> hold(mutex);
        return requests.empty() ? HttpExchange() : requests.back();
    }
    // Runs aRvik.Http, which must succeed and empty its arguments.
    void Runs() {
        ASSERT_EQ(S_OK, Command(L"aRvik.Http"));
        for (const wchar_t* name : kArguments) EXPECT_EQ("", Get(name)) << Narrow(name);
    }
    // Runs aRvik.Http, which must fail with reason, keep its arguments and
    // leave the results empty.
    void Fails(const std::string& reason) {
        std::string before[5];
        for (size_t k = 0; k < 5; ++k) before[k] = Get(kArguments[k]);
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.Http", &record));
        EXPECT_EQ(59999, record.wCode);
        EXPECT_EQ(reason, Narrow(record.bstrDescription));
        for (size_t k = 0; k < 5; ++k) EXPECT_EQ(before[k], Get(kArguments[k])) << Narrow(kArguments[k]);
        EXPECT_EQ("", Get(L"aRvik.Result"));
        EXPECT_EQ("", Get(L"aRvik.Output"));
    }
};

}  // namespace

TEST_F(HttpTest, GetAndPostSendWhatTheScriptGaveAndReadTheBodyInItsCharset) {
    Set(L"aRvik.Url", server.Url("/hello"));
    Runs();
    EXPECT_EQ("200", Get(L"aRvik.Result"));
    EXPECT_EQ("Привет", Get(L"aRvik.Output"));  // no charset: UTF-8
    EXPECT_EQ("GET", Last().method);
    EXPECT_EQ("/hello", Last().path);

    Set(L"aRvik.Url", server.Url("/post?a=1"));
    Set(L"aRvik.Method", "POST");
    Set(L"aRvik.Body", "Сумма: 100\r\n");
    Set(L"aRvik.Headers", "X-Terminal: till 1\r\n\r\nAccept: text/plain\n");
    Runs();
    EXPECT_EQ("201", Get(L"aRvik.Result"));
    EXPECT_EQ("", Get(L"aRvik.Output"));
    HttpExchange post = Last();
    EXPECT_EQ("POST", post.method);
    EXPECT_EQ("/post?a=1", post.path);
    EXPECT_EQ(u8"Сумма: 100\r\n", post.body);
    EXPECT_NE(std::string::npos, post.headers.find("\r\nX-Terminal: till 1\r\n")) << post.headers;
    EXPECT_NE(std::string::npos, post.headers.find("\r\nAccept: text/plain\r\n")) << post.headers;
    EXPECT_NE(std::string::npos, post.headers.find("\r\nContent-Type: text/plain; charset=utf-8\r\n")) << post.headers;

    // A status other than success is the script's to judge.
    Set(L"aRvik.Url", server.Url("/missing"));
    Runs();
    EXPECT_EQ("404", Get(L"aRvik.Result"));
    EXPECT_EQ("Нет страницы", Get(L"aRvik.Output"));

    Set(L"aRvik.Url", server.Url("/cp1251"));
    Runs();
    EXPECT_EQ("Привет", Get(L"aRvik.Output"));
}

TEST_F(HttpTest, AChunkedBodyArrivesWholeAndALongOneIsCutAsCapturedOutput) {
    Set(L"aRvik.Url", server.Url("/chunked"));
    Runs();
    EXPECT_EQ("200", Get(L"aRvik.Result"));
    EXPECT_TRUE(Get(L"aRvik.Output") == Digits(1 << 20));

    Set(L"aRvik.Url", server.Url("/long"));
    Runs();
    std::string output = Get(L"aRvik.Output");
    std::string head = "[16777226 байт]\r\n";
    ASSERT_EQ(head.size() + (16 << 20) + 5, output.size());
    EXPECT_EQ(head, output.substr(0, head.size()));
    EXPECT_EQ("0123456789", output.substr(head.size(), 10));
    EXPECT_EQ("\r\n...", output.substr(output.size() - 5));
}

TEST_F(HttpTest, NoAnswerWithinTheTimeAndAClosedPortFail) {
    std::string url = server.Url("/silent");
    Set(L"aRvik.Url", url);
    Set(L"aRvik.Timeout", "500");
    ULONGLONG start = GetTickCount64();
    Fails("Не удалось выполнить запрос (нет ответа за 500 мс): " + url);
    EXPECT_LT(GetTickCount64() - start, 30000u);  // far above 500 ms, for a busy machine

    url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
    Set(L"aRvik.Url", url);
    Set(L"aRvik.Timeout", "");
    Fails("Не удалось выполнить запрос (соединение отклонено): " + url);
}

TEST_F(HttpTest, BadArgumentsFailBeforeAnythingIsSent) {
    Set(L"aRvik.Url", "127.0.0.1/hello");
    Fails("Адрес должен начинаться с http:// или https://: aRvik.Url=127.0.0.1/hello");
    Set(L"aRvik.Url", "ftp://127.0.0.1/");
    Fails("Адрес должен начинаться с http:// или https://: aRvik.Url=ftp://127.0.0.1/");
    Set(L"aRvik.Url", "");
    Fails("Адрес должен начинаться с http:// или https://: aRvik.Url=");
    Set(L"aRvik.Url", "http://127.0.0.1:99999/");
    Fails("Неверный адрес: aRvik.Url=http://127.0.0.1:99999/");

    Set(L"aRvik.Url", server.Url("/hello"));
    Set(L"aRvik.Method", "GE T");
    Fails("Неверный метод: aRvik.Method=GE T");
    Set(L"aRvik.Method", "");
    Set(L"aRvik.Headers", "Accept: */*\r\nЗаголовок без двоеточия");
    Fails("Строка заголовка без двоеточия: aRvik.Headers=Заголовок без двоеточия");
    Set(L"aRvik.Headers", "X Bad: 1");
    Fails("Неверное имя заголовка: aRvik.Headers=X Bad: 1");
    Set(L"aRvik.Headers", "X-A: 1\rInjected");
    Fails("Строка заголовка без двоеточия: aRvik.Headers=Injected");
    Set(L"aRvik.Headers", "");
    Set(L"aRvik.Body", std::string((16 << 20) / 2 + 1, '\xE6'));  // "ж": two bytes in UTF-8
    Fails("Тело запроса больше 16 МБ в UTF-8: aRvik.Body");
    Set(L"aRvik.Body", "");
    Set(L"aRvik.Timeout", "1,5");
    Fails("Неверный формат числа: aRvik.Timeout=1,5");
    EXPECT_EQ(0u, requests.size());
}
